// The settings window's two list pages, the path check and the search page: their controls forward
// to the list editor and the list checks, and show what those leave in the model.

#include <QApplication>
#include <QButtonGroup>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <memory>

#include "app/FileSystem.h"
#include "playlist/PlaylistEntry.h"
#include "text/Encoding.h"
#include "ui/QtText.h"
#include "ui/TBadDlg.h"
#include "ui/TSetUpDlg.h"
#include "windows/ListSearch.h"

namespace korva {

namespace {

// The hourglass while a long operation runs, the normal pointer again however it ends.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The hourglass while a folder's songs are read, and how many titles were read once the reading
// takes longer than a moment. Updates are spaced so that showing them costs next to nothing
// against the reading. Both are gone before any message shows.
class TitleProgressDialog final : public TitleReadProgress {
  public:
    explicit TitleProgressDialog(QWidget* owner) : owner_(owner) { clock_.start(); }

    void Begin() override {
        if (!wait_)
            wait_ = std::make_unique<WaitCursor>();
    }
    void End() override {
        dialog_.reset();
        wait_.reset();
    }

    void TitlesRead(std::size_t done, std::size_t total) override {
        if (done < total && clock_.elapsed() < next_)
            return;
        next_ = clock_.elapsed() + 50;
        if (!dialog_) {
            dialog_ = std::make_unique<QProgressDialog>(owner_);
            dialog_->setObjectName(QStringLiteral("TitleProgress"));
            dialog_->setWindowTitle(QStringLiteral("自動追加"));
            dialog_->setCancelButton(nullptr);
            dialog_->setWindowModality(Qt::WindowModal);
            dialog_->setMinimumDuration(400);
            dialog_->setAutoClose(false);
            dialog_->setRange(0, static_cast<int>(total));
        }
        dialog_->setLabelText(QStringLiteral("曲名を読み込んでいます  %1 / %2").arg(done).arg(total));
        dialog_->setValue(static_cast<int>(done));
    }

  private:
    QWidget* owner_;
    QElapsedTimer clock_;
    qint64 next_ = 0;
    std::unique_ptr<QProgressDialog> dialog_;
    std::unique_ptr<WaitCursor> wait_;
};

}  // namespace

void TSetUpDlg::WireListPage(int list) {
    ListPage& page = listPages_[static_cast<std::size_t>(list)];
    // A press makes a row current and its release clicks it; a press on the current row changes
    // nothing and only the release clicks. The keys move the current row and click at once.
    connect(page.titles, &QListWidget::currentRowChanged, this, [this, list](int row) {
        ListPage& changed = listPages_[static_cast<std::size_t>(list)];
        if (row < 0)
            return;
        if (QApplication::mouseButtons() & Qt::LeftButton) {
            changed.changedRow = row;
            return;
        }
        ListBoxClick(list);
    });
    connect(page.titles, &QListWidget::itemPressed, this,
            [this, list](QListWidgetItem*) { listPages_[static_cast<std::size_t>(list)].changedRow = -1; });
    connect(page.titles, &QListWidget::itemClicked, this,
            [this, list](QListWidgetItem*) { ListBoxClick(list); });
    connect(page.vol, &QScrollBar::valueChanged, this, [this, list](int position) {
        listPages_[static_cast<std::size_t>(list)].volPanel->setText(
            QString::fromStdString(FormatVol(position)));
    });
    connect(page.edit, &QPushButton::clicked, this, [this, list] { EditButtonClick(list); });
    connect(page.del, &QPushButton::clicked, this, [this, list] { DelButtonClick(list); });
    connect(page.mon, &QPushButton::clicked, this, [this, list] { editor_.Preview(CurrentTitle(list)); });
    connect(page.man, &QPushButton::clicked, this, [this, list] { ManButtonClick(list); });
    connect(page.autoAdd, &QPushButton::clicked, this, [this, list] { AutoButtonClick(list); });
    connect(page.ctrl, &QPushButton::clicked, this, [this, list] { CtrlButtonClick(list); });
    connect(page.copy, &QPushButton::clicked, this,
            [this, list] { editor_.CopyToOtherList(list, SelectedTitles(list)); });
    connect(page.move, &QPushButton::clicked, this, [this, list] { MoveBitBtnClick(list); });
    connect(page.send, &QPushButton::clicked, this,
            [this, list] { editor_.SendSongs(SelectedTitles(list), folderDialog_); });
    connect(page.txt, &QPushButton::clicked, this, [this] { editor_.OpenCompanion(DocumentKind::Txt); });
    connect(page.doc, &QPushButton::clicked, this, [this] { editor_.OpenCompanion(DocumentKind::Doc); });
    page.path->installEventFilter(this);
    page.name->installEventFilter(this);
}

bool TSetUpDlg::eventFilter(QObject* watched, QEvent* event) {
    for (ListPage& page : listPages_) {
        if (watched == page.path) {
            // The path is for display only: the pointer says so while the button is held on it.
            if (event->type() == QEvent::MouseButtonPress)
                page.path->setCursor(Qt::ForbiddenCursor);
            else if (event->type() == QEvent::MouseButtonRelease)
                page.path->setCursor(Qt::IBeamCursor);
        } else if (watched == page.name && event->type() == QEvent::MouseButtonRelease) {
            // A click in the name selects all of it, ready to be typed over; the field's own press
            // handling has placed the cursor by now.
            page.name->selectAll();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TSetUpDlg::EnterListPage(int list) {
    ClearListPage(list);
    editor_.EnterPage(list);
    ShowTitles(list);
}

void TSetUpDlg::ShowTitles(int list) {
    ListPage& page = listPages_[static_cast<std::size_t>(list)];
    const TitleListModel& titles = model_.TitleLists[static_cast<std::size_t>(list)];
    const int scrolled = page.titles->verticalScrollBar()->value();
    QStringList items;
    items.reserve(static_cast<qsizetype>(titles.titles.size()));
    for (const std::string_view title : titles.titles) items << FromSjis(title);
    {
        const QSignalBlocker blocker(page.titles);
        page.titles->clear();
        page.titles->addItems(items);
    }
    page.titles->verticalScrollBar()->setValue(scrolled);
    page.count->setText(QString::fromStdString(titles.countText));
}

void TSetUpDlg::ShowName(int list, const std::string& name) {
    ListPage& page = listPages_[static_cast<std::size_t>(list)];
    page.shownName = name;
    page.name->setText(FromSjis(name));
    page.name->home(false);  // a long name shows its start, not its end
}

void TSetUpDlg::ShowPath(int list, const std::string& path) {
    ListPage& page = listPages_[static_cast<std::size_t>(list)];
    page.shownPath = path;
    page.path->setText(FromSjis(path));
    page.path->home(false);
}

std::optional<std::size_t> TSetUpDlg::CurrentTitle(int list) const {
    const int row = listPages_[static_cast<std::size_t>(list)].titles->currentRow();
    return row < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(row));
}

void TSetUpDlg::ListBoxClick(int list) {
    ListPage& page = listPages_[static_cast<std::size_t>(list)];
    if (page.changedRow >= 0 && page.changedRow != page.titles->currentRow())
        page.changedRow = -1;
    const std::optional<std::size_t> current = CurrentTitle(list);
    if (!current)
        return;
    const ShownEntry shown = editor_.ClickTitle(list, *current);
    ShowName(list, shown.name);
    ShowPath(list, shown.path);
    if (shown.feel) {
        if (*shown.feel >= 0) {
            page.feel->button(*shown.feel)->setChecked(true);
        } else {
            page.feel->setExclusive(false);
            for (QAbstractButton* item : page.feel->buttons()) item->setChecked(false);
            page.feel->setExclusive(true);
        }
    }
    if (!shown.volBar)
        return;
    page.vol->setValue(*shown.volBar);
    page.volPanel->setText(FromSjis(shown.volText));
    page.txt->setEnabled(shown.txt.has_value());
    page.doc->setEnabled(shown.doc.has_value());
}

void TSetUpDlg::EditButtonClick(int list) {
    ListPage& page = listPages_[static_cast<std::size_t>(list)];
    EditedEntry fields;
    if (page.name->text() == FromSjis(page.shownName)) {
        fields.name = page.shownName;
    } else if (auto typed = ToSjis(page.name->text())) {
        fields.name = std::move(*typed);
    } else {
        messages_.ShowMessage(UnholdableNamesMessage({ToSjisForMessage(page.name->text())}));
        return;
    }
    fields.path = page.shownPath;
    fields.volBar = page.vol->value();
    fields.feel = page.feel->checkedId();
    const std::size_t reloads = editor_.ReloadCount();
    const bool edited = editor_.EditEntry(list, CurrentTitle(list), std::move(fields));
    if (editor_.ReloadCount() != reloads) {
        ShowTitles(list);  // the list was loaded afresh from its file
        return;
    }
    if (QListWidgetItem* item = page.titles->currentItem(); item && CurrentTitle(list)) {
        const auto& titles = model_.TitleLists[static_cast<std::size_t>(list)].titles;
        if (*CurrentTitle(list) < titles.size())
            item->setText(FromSjis(titles[*CurrentTitle(list)]));
    }
    if (!edited)
        return;
    ShowName(list, {});
    ShowPath(list, {});
    page.volPanel->clear();
    page.vol->setValue(0);
    page.feel->setExclusive(false);
    for (QAbstractButton* item : page.feel->buttons()) item->setChecked(false);
    page.feel->setExclusive(true);
}

std::vector<std::size_t> TSetUpDlg::SelectedTitles(int list) const {
    std::vector<std::size_t> selected;
    for (const QModelIndex& index :
         listPages_[static_cast<std::size_t>(list)].titles->selectionModel()->selectedIndexes())
        selected.push_back(static_cast<std::size_t>(index.row()));
    return selected;
}

void TSetUpDlg::DelButtonClick(int list) {
    const std::size_t reloads = editor_.ReloadCount();
    if (!editor_.DeleteEntries(list, SelectedTitles(list)) && editor_.ReloadCount() == reloads)
        return;
    ShowName(list, {});
    ShowPath(list, {});
    ShowTitles(list);
}

void TSetUpDlg::MoveBitBtnClick(int list) {
    // A move whose deletion failed leaves the page loaded afresh, to be shown all the same.
    const std::size_t reloads = editor_.ReloadCount();
    if (!editor_.MoveToOtherList(list, SelectedTitles(list)) && editor_.ReloadCount() == reloads)
        return;
    ShowName(list, {});
    ShowPath(list, {});
    ShowTitles(list);
}

void TSetUpDlg::ManButtonClick(int list) {
    const std::string& folder = list == 0 ? model_.settings.LST0DIR : model_.settings.LST1DIR;
    const std::optional<std::string> chosen =
        ChooseFile(QStringLiteral("ＭＩＤＩファイルを選択してください"),
                   QStringLiteral("MIDI File(*.MID *.mid)"), FromSjis(folder));
    if (!chosen)
        return;
    editor_.ManualAdd(list, *chosen);
    ShowTitles(list);
}

void TSetUpDlg::AutoButtonClick(int list) {
    {
        TitleProgressDialog progress(this);
        editor_.AutoAdd(list, folderDialog_, progress);
    }
    ShowTitles(list);
}

void TSetUpDlg::CtrlButtonClick(int list) {
    editor_.AgeMarks(list);
    ShowTitles(list);
}

void TSetUpDlg::CheckBitBtnClick() {
    if (!play0RadioButton_->isChecked() && !play1RadioButton_->isChecked()) {
        messages_.ShowMessage(Sjis("リスト０またはリスト１を指定してください"));
        return;
    }
    if (bad_)
        bad_->ClearBadList();
    PathCheck check;
    {
        const WaitCursor wait;
        check = CheckPaths(model_, play0RadioButton_->isChecked() ? 0 : 1);
    }
    if (check.outcome != PathCheck::Outcome::Missing) {
        std::string message = PathCheckMessage(check.outcome);
        if (!check.refused.empty())
            message += "\n" + check.refused;
        messages_.ShowMessage(message);
        return;
    }
    if (!bad_)
        return;
    for (const std::string& line : check.missing) bad_->AddBadLine(line);
    bad_->ShowBadList(Sjis("ＭＩＤＩファイルが存在しないデータ"));
}

void TSetUpDlg::FindButtonClick() {
    if (findEdit_->text().isEmpty()) {
        findEdit_->setFocus();
        return;
    }
    msgLabel_->clear();
    msgLabel_->repaint();
    const std::optional<std::string> text = ToSjis(findEdit_->text());
    if (!text) {
        messages_.ShowMessage(UnholdableNamesMessage({ToSjisForMessage(findEdit_->text())}));
        return;
    }
    find0ListBox_->clear();
    find1ListBox_->clear();
    foundLines_ = {};
    SearchResult result;
    {
        const WaitCursor wait;
        result = SearchLists(model_, *text);
    }
    const std::array<QListWidget*, 2> found = {find0ListBox_, find1ListBox_};
    for (std::size_t list = 0; list < 2; ++list) {
        const ListSearch& search = result.lists[list];
        if (!search.searched && !result.failed)
            continue;
        if (FileExistsIgnoringCase(search.path))
            findPanels_[list]->setText(FromSjis(search.path));
        QStringList lines;
        lines.reserve(static_cast<qsizetype>(search.found.size()));
        for (const std::string& line : search.found) lines << FromSjis(line);
        found[list]->addItems(lines);
        foundLines_[list] = search.found;
    }
    msgLabel_->setText(FromSjis(result.message).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    if (result.failed) {
        std::string message = Sjis("プレイリストの検索でエラーが発生しました");
        if (!result.refused.empty())
            message += "\n" + result.refused;
        messages_.ShowMessage(message);
    }
}

void TSetUpDlg::FindListBoxClick(QListWidget* clicked) {
    QListWidgetItem* item = clicked->currentItem();
    if (!item || !item->isSelected())
        return;
    const std::size_t list = clicked == find0ListBox_ ? 0 : 1;
    const auto row = static_cast<std::size_t>(clicked->row(item));
    findMonLine_ = row < foundLines_[list].size() ? foundLines_[list][row] : std::string();
    findMonEdit_->setText(FromSjis(findMonLine_));
    findMonEdit_->home(false);
    (clicked == find0ListBox_ ? find1ListBox_ : find0ListBox_)->clearSelection();
}

void TSetUpDlg::FindMonButtonClick() {
    if (findMonEdit_->text().isEmpty())
        return;
    // The line as the file holds it, unless the user typed another.
    const std::optional<std::string> line =
        findMonEdit_->text() == FromSjis(findMonLine_) ? findMonLine_ : ToSjis(findMonEdit_->text());
    PlaylistEntry fields;
    if (line)
        SplitEntry(*line, fields);
    ports_.actions.PlaySingle(fields.Path);
}

}  // namespace korva
