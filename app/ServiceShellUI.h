#pragma once
// ServiceShellUI: what the request layer shows, drawn with the shell's widgets. addTo() fills the two UI
// hooks of a ServiceShell (installApplicationServiceShell does; tests that install their own shell may):
//   showBusyOverlay  a ProgressHUD labelled with the text, on the application delegate's window (else
//                    the key window); nothing without an application
//   showAlert        a UIAlertViewBlock with the one button
// Main thread.

#include <memory>
#include <string>

#include "service/ServiceShell.h"

class ProgressHUD;
class UIAlertViewBlock;

class ServiceShellUI {
 public:
  // The busy overlay as a ProgressHUD on a window.
  class Overlay : public BusyOverlay {
   public:
    explicit Overlay(std::shared_ptr<ProgressHUD> hud) : hud_(std::move(hud)) {}
    ~Overlay() override;
    void close() override;
    const std::shared_ptr<ProgressHUD>& hud() const { return hud_; }

   private:
    std::shared_ptr<ProgressHUD> hud_;
  };

  // An alert shown with UIAlertViewBlock; the alert keeps itself while it is up.
  class Alert : public ShellAlert {
   public:
    explicit Alert(std::weak_ptr<UIAlertViewBlock> alert) : alert_(std::move(alert)) {}
    bool isOpen() const override;

   private:
    std::weak_ptr<UIAlertViewBlock> alert_;
  };

  static void addTo(ServiceShell& shell);
  static std::shared_ptr<BusyOverlay> showBusyOverlay(const std::string& label);
  static std::shared_ptr<ShellAlert> showAlert(const std::string& title, const std::string& message,
                                               const std::string& button, std::function<void()> pressed);
  // The ProgressHUD of an overlay this class made (nullptr for any other).
  static ProgressHUD* hudOf(const std::shared_ptr<BusyOverlay>& overlay);
};
