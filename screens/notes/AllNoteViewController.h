#pragma once
// AllNoteViewController ("allNote", title "我的笔记"): every user's notes on the question the answering
// screen shows, with the user's own note in a panel (MyNoteViewController) as the first row. The
// answering screen hands over the first page of notes and the user's own notes (AllNoteScreen).
//
// Rows: row 0 is the panel; then either the placeholder row (image "ic_Notenot_bg") while no note is
// listed, or one row per note, note i in row i + 1 (its row view tagged i).
//
// Further pages: pulling the list past its end (the load-more footer) asks for the page after the
// highest one merged so far, on a worker of the global queue (a synchronous request; the reply comes back
// to this screen only while it lives). Notes already listed (same id) are dropped from a further page;
// what remains is appended, and the page count advances only then; nothing new gives the toast
// "没数据了". A reload of one page (asked by the panel after the user's note changed) replaces the
// listed notes of that page position by position and appends any more; a note that a reload brings is
// never listed twice. A note the user deleted in the panel leaves the list at once.
//
// A note's row views are built when the table first shows it (its height measured from the text until
// then), and the cells are reused: a long list costs what shows. Further pages and reloads are shaped into
// notes on a worker (the bank is read there, once for the page); the first page, handed over, is shaped
// when the screen loads (one read of the bank).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/VDHelper.h"
#include "exam/AllNoteScreen.h"
#include "model/Note.h"
#include "platform/core/Value.h"
#include "screens/notes/MyNotePanelOwner.h"
#include "service/MyNote.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"
#include "widgets/LoadMoreFooterView.h"

class MyNoteViewController;

class AllNoteViewController : public ui::ViewController,
                              public AllNoteScreen,
                              public MyNoteDelegate,
                              public ui::TableViewDataSource,
                              public ui::TableViewDelegate,
                              public LoadMoreFooterViewDelegate,
                              public MyNotePanelOwner {
 public:
  static constexpr const char* kIdentifier = "allNote";
  static constexpr const char* kTitle = "我的笔记";
  static constexpr const char* kCellIdentifier = "allNoteCell";
  static constexpr const char* kNoMoreToast = "没数据了";
  static constexpr double kFooterHeight = 40;
  static constexpr double kPullDistance = 40;

  std::string className() const override { return "AllNoteViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- set before showing (AllNoteScreen) ----
  void setJson(const core::Value& notes) override { json_ = notes; }
  void setMyNoteJson(const core::Value& myNotes) override { myNoteJson_ = myNotes; }

  // ---- state ----
  const VDHelper::NoteArray& noteArray() const { return noteArray_; }
  // The row views, each note's built first (the table builds a note's row only when it shows it).
  const std::vector<std::shared_ptr<ui::View>>& viewArr();
  // How many note rows have their views built.
  std::size_t builtRows() const;
  int nextPage() const { return nextPage_; }
  int updatePage() const { return updatePage_; }
  bool isLoading() const { return isLoading_; }
  bool isLoadEnd() const { return isLoadEnd_; }
  bool isDelete() const { return isDelete_; }
  void setIsDelete(bool isDelete) override { isDelete_ = isDelete; }
  bool hasPlaceholderRow() const { return placeholder_ != nullptr; }
  MyNoteViewController* myNoteVC() const { return myNoteVC_.get(); }
  ui::TableView* myTabelView() const { return myTabelView_.get(); }
  LoadMoreFooterView* loadMoreFooterView() const { return loadMoreFooterView_.get(); }

  // ---- what the panel asks (MyNotePanelOwner) ----
  void panelDidChange() override;
  void reloadNotePage(int page) override;
  void noteDeleted(std::int32_t nid) override;

  // ---- loading ----
  void getAllNoteByAID(int page);  // a reload of `page` through a new notes client
  void didGetAllNoteByAID(bool ok, const core::Value& json) override;
  void loadMoreTableFooterDidTriggerRefresh(LoadMoreFooterView& view) override;

  // ---- table ----
  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void scrollViewDidScroll(ui::ScrollView& scrollView) override;
  void scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate) override;

 private:
  void initArray();
  void nextInitArray();
  void rebuildNoteRows();
  std::shared_ptr<ui::View> getNotNoteView() const;
  std::shared_ptr<ui::View> initNoteView(const Note& note, int index) const;
  // Builds the views of table row `row` (note row - 1) when it has none.
  void ensureRow(std::size_t row);
  // The height of the view initNoteView builds for `note`, measured without building it.
  static double noteViewHeight(const Note& note);
  void loadFurtherPage();
  // The notes of a page (updatePage_, a further page when isNextPage_; ok false: the page failed),
  // shaped on a worker: merged, or a toast.
  void mergeNotes(bool ok, VDHelper::NoteArray notes);
  // A page is a list of note records within MyNote::kMaxNotesPerPage; any other counts as a failed one.
  static bool pageIsUsable(const core::Value& reply);
  void finishLoading();

  core::Value json_;
  core::Value myNoteJson_;
  std::string questionId_;  // the session's "ALLTESTID" when the screen loaded
  VDHelper::NoteArray noteArray_;
  VDHelper::NoteArray currentLoadNoteArray_;
  std::vector<std::shared_ptr<ui::View>> viewArr_;
  std::shared_ptr<ui::View> placeholder_;
  int nextPage_ = 1;
  int updatePage_ = 1;
  int reloadPage_ = 1;  // the page of the reload in flight through the notes client
  bool isNextPage_ = false;
  bool isLoading_ = false;
  bool isLoadEnd_ = true;
  bool isHaveMore_ = true;
  bool isDelete_ = false;
  std::shared_ptr<MyNoteViewController> myNoteVC_;
  std::shared_ptr<LoadMoreFooterView> loadMoreFooterView_;
  std::shared_ptr<ui::TableView> myTabelView_;
  std::shared_ptr<MyNote> myNoteBll_;
};
