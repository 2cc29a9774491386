#pragma once
// Names of the notifications the UI model posts on core::NotificationCenter::defaultCenter(), as the
// platform named them. Application notifications carry no object; text field and text view notifications
// carry the input as their sender.

namespace ui {

inline constexpr const char* kApplicationDidFinishLaunchingNotification =
    "UIApplicationDidFinishLaunchingNotification";
inline constexpr const char* kApplicationDidBecomeActiveNotification =
    "UIApplicationDidBecomeActiveNotification";
inline constexpr const char* kApplicationWillResignActiveNotification =
    "UIApplicationWillResignActiveNotification";
inline constexpr const char* kApplicationDidEnterBackgroundNotification =
    "UIApplicationDidEnterBackgroundNotification";
inline constexpr const char* kApplicationWillEnterForegroundNotification =
    "UIApplicationWillEnterForegroundNotification";
inline constexpr const char* kApplicationWillTerminateNotification = "UIApplicationWillTerminateNotification";

inline constexpr const char* kTextFieldTextDidBeginEditingNotification =
    "UITextFieldTextDidBeginEditingNotification";
inline constexpr const char* kTextFieldTextDidChangeNotification = "UITextFieldTextDidChangeNotification";
inline constexpr const char* kTextFieldTextDidEndEditingNotification =
    "UITextFieldTextDidEndEditingNotification";

inline constexpr const char* kTextViewTextDidBeginEditingNotification =
    "UITextViewTextDidBeginEditingNotification";
inline constexpr const char* kTextViewTextDidChangeNotification = "UITextViewTextDidChangeNotification";
inline constexpr const char* kTextViewTextDidEndEditingNotification = "UITextViewTextDidEndEditingNotification";

}  // namespace ui
