#pragma once
// MainNoteViewController ("mainNote", title "我的笔记"): the notes the logged-in user wrote on any question
// of the chosen subject. The home screen hands over the first page (MainNoteScreen). The header shows the
// user's nick name (or user name) and avatar.
//
// Rows: row 0 is an empty spacer; then the placeholder row (image "ic_Notenot_bg") while no note is
// listed, or one row per note, note i in row i + 1. A row shows the note's text, a date badge (a relative
// time such as "刚刚", or the month and day) and an option button that opens the row's panel with an edit
// and a delete button. The row's view, its option button, the two buttons and the note's text carry the
// note's index (renumbered after a deletion); a tap on the text opens the note's question in the
// answering screen, after storing the NoteUpdateContext that the question's notes panel changes. When
// the screen appears again after that, the list is rebuilt from the context's array (this screen's own).
// A row's views are built when the table first shows it (its height measured from the text until then),
// and the cells are reused: a long list costs what shows. The first page is shaped into notes on a
// worker (the bank is read there, once for the page); its rows come in when it is back, and until
// then the list shows neither notes nor the placeholder.
//
// Further pages load as on a question's notes (AllNoteViewController), through "GetMyNotes", on a worker
// of the global queue; so does the reload of a note's page after an edit. A page that is not a list of
// note records within MyNote::kMaxNotesPerPage counts as a failed one.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/VDHelper.h"
#include "model/Note.h"
#include "model/Questions.h"
#include "platform/core/Value.h"
#include "screens/common/MainNoteScreen.h"
#include "service/MyNote.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"
#include "widgets/LoadMoreFooterView.h"

class UpdateNoteViewController;

class MainNoteViewController : public ui::ViewController,
                               public MainNoteScreen,
                               public MyNoteDelegate,
                               public ui::TableViewDataSource,
                               public ui::TableViewDelegate,
                               public LoadMoreFooterViewDelegate {
 public:
  static constexpr const char* kIdentifier = "mainNote";
  static constexpr const char* kTitle = "我的笔记";
  static constexpr const char* kCellIdentifier = "mainNoteCell";
  static constexpr const char* kNoMoreToast = "没数据了";
  static constexpr const char* kDeleteQuestion = "您确定删除该笔记吗？";
  static constexpr const char* kDeleteFailedToast = "删除失败";
  static constexpr const char* kShowOptionImage = "ic_showOption_Btn.png";
  static constexpr const char* kEditImage = "ic_note_add.png";
  static constexpr const char* kDeleteImage = "ic_note_delete.png";
  static constexpr const char* kLineImage = "ic_noteBtn_bg.png";
  static constexpr int kOptionsTag = 100;
  static constexpr int kNoteLabelTag = 101;
  static constexpr int kShowOptionViewTag = 108;
  static constexpr int kLineTag = 110;
  static constexpr double kFooterHeight = 40;
  static constexpr double kPullDistance = 40;
  static constexpr double kHeaderHeight = 60;

  std::string className() const override { return "MainNoteViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- set before showing (MainNoteScreen) ----
  void setJson(const core::Value& notes) override { json_ = notes; }

  // ---- state ----
  const std::shared_ptr<VDHelper::NoteArray>& noteArray() const { return noteArray_; }
  // The row views, each note's built first (the table builds a note's row only when it shows it).
  const std::vector<std::shared_ptr<ui::View>>& viewArr();
  // How many note rows have their views built.
  std::size_t builtRows() const;
  int nextPage() const { return nextPage_; }
  int updatePage() const { return updatePage_; }
  bool isBack() const { return isBack_; }
  bool isLoadEnd() const { return isLoadEnd_; }
  std::int32_t currentUID() const { return currentUID_; }
  int currentOperating() const { return currentOperating_; }
  bool hasPlaceholderRow() const { return placeholder_ != nullptr; }
  // The first page is being shaped on a worker (its rows come when it is back).
  bool isShapingFirstPage() const { return shapingFirstPage_; }
  const std::shared_ptr<UpdateNoteViewController>& updateNoteVC() const { return updateNoteVC_; }
  ui::TableView* myTableView() const { return myTableView_.get(); }
  LoadMoreFooterView* loadMoreFooterView() const { return loadMoreFooterView_.get(); }
  ui::Label* nameLable() const { return nameLable_.get(); }
  ui::ImageView* headImageView() const { return headImageView_.get(); }

  // The parts of note row i (nullptr past the end), built when they were not yet: for finding what a
  // person taps.
  struct NoteRow {
    std::shared_ptr<ui::View> contentView;
    ui::Label* noteLabel = nullptr;
    ui::View* showOptionView = nullptr;
    ui::Button* showOptionButton = nullptr;
    ui::View* optionsView = nullptr;
    ui::Button* editButton = nullptr;
    ui::Button* deleteButton = nullptr;
    ui::Label* todayLabel = nullptr;
    ui::View* timeView = nullptr;
    ui::Label* monthLabel = nullptr;
    ui::Label* dayLabel = nullptr;
  };
  const NoteRow* noteRow(std::size_t index);

  // ---- actions ----
  void showOption(ui::Control* sender);  // nullptr: close every panel
  void updateNote(ui::Control& sender);
  void deleteNote(ui::Control& sender);
  void getFTbyAID(int index);
  // Asks for a page of the user's notes on a worker: a further page while isNextPage is set, else a
  // reload of that page.
  void GetMyNotes(int page);

  // ---- replies ----
  void didGetMyNotes(bool ok, const core::Value& json) override;
  void didDeleteUserNote(bool ok, const core::Value& json) override;
  void didFTbyAID(bool ok, const core::Value& json) override;
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
  NoteRow initNoteView(const Note& note, int index);
  // Builds row i's views (wired, tagged i) when it has none.
  void ensureRow(std::size_t index);
  // The height of the view initNoteView builds for `note`, measured without building it.
  static double noteViewHeight(const Note& note);
  void initTimeView(const Note& note, NoteRow& row);
  void btnAddTarget(NoteRow& row);
  void setViewTage(NoteRow& row, int tag);
  void againSetTage();
  std::shared_ptr<ui::View> notNoteView() const;
  void showPlaceholderWhenEmpty();
  void nextInitArray();
  void finishLoading();
  // A page's notes shaped (ok false: the page failed) shown as didGetMyNotes says.
  void showPage(bool ok, VDHelper::NoteArray notes);
  // The first page handed over (json_) shaped on a worker, then listed by showFirstPage.
  void shapeFirstPage();
  void showFirstPage(VDHelper::NoteArray notes);
  // The answering screen over a note's question set, or the toast when it has no question.
  void openNoteQuestion(const std::optional<QuestionsArray>& tests);
  void noteEditDone();
  std::shared_ptr<MyNote> newClient();

  core::Value json_;
  std::shared_ptr<VDHelper::NoteArray> noteArray_ = std::make_shared<VDHelper::NoteArray>();
  VDHelper::NoteArray currentLoadNoteArray_;
  std::vector<std::shared_ptr<ui::View>> viewArr_;
  // rows_[i] shows note i in viewArr_[i + 1]; a row not yet shown has no views (contentView and its
  // place in viewArr_ are null) until ensureRow builds them.
  std::vector<NoteRow> rows_;
  std::shared_ptr<ui::View> headView_;
  std::shared_ptr<ui::View> placeholder_;
  int nextPage_ = 1;
  int updatePage_ = 1;
  bool isNextPage_ = false;
  bool isLoading_ = false;
  bool isLoadEnd_ = true;
  bool isHaveMore_ = true;
  bool isBack_ = false;
  bool shapingFirstPage_ = false;
  std::int32_t currentUID_ = 0;
  int updateRow_ = 0;
  int currentOperating_ = 0;
  core::Value timeDic_;
  std::shared_ptr<UpdateNoteViewController> updateNoteVC_;
  std::shared_ptr<LoadMoreFooterView> loadMoreFooterView_;
  std::shared_ptr<ui::TableView> myTableView_;
  std::shared_ptr<ui::View> logoView_;
  std::shared_ptr<ui::Label> nameLable_;
  std::shared_ptr<ui::ImageView> headImageView_;
  std::shared_ptr<MyNote> myNoteBll_;
};
