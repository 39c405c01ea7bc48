// The settings window's controls and where they sit: the mode panel and the six pages.

#include "ui/TSetUpDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include "ui/ListFont.h"

#include "ui/DeckArt.h"

namespace korva {

namespace {

constexpr QSize kClientSize{473, 407};
constexpr int kWindowMargin = 4;
// What the tab widget keeps beside its tab bar: its frame, where the style draws one.
constexpr int kTabBarSlack = 2;

// A path field that reports a press of any mouse button after selecting all of its text.
class PathEdit final : public QLineEdit {
  public:
    PathEdit(QWidget* parent, std::function<void()> pressed)
        : QLineEdit(parent), pressed_(std::move(pressed)) {}

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        QLineEdit::mousePressEvent(event);
        selectAll();
        pressed_();
    }

  private:
    std::function<void()> pressed_;
};

// The window's own text: a proportional Japanese face, so that the five tab captions, blanks and all,
// fit side by side.
QFont DialogFont() {
    QFont font = FirstInstalledFont(
        {QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"), QStringLiteral("Noto Sans CJK JP"),
         QStringLiteral("VL PGothic"), QStringLiteral("IPAGothic")},
        QFont::SansSerif);
    font.setPixelSize(12);
    return font;
}

QLabel* Caption(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

template <typename L>
L* Tight(L* layout, int margin = 4, int spacing = 3) {
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    return layout;
}

}  // namespace

void TSetUpDlg::Hint(QWidget* widget, const QString& hint, HintArea area) {
    widget->setAccessibleDescription(hint);
    hints_.push_back({widget, hint, area});
}

QPushButton* TSetUpDlg::Button(QWidget* parent, const char* name, const QString& caption, const QString& hint,
                               HintArea area) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setAccessibleName(caption.trimmed());
    if (!hint.isEmpty())
        Hint(button, hint, area);
    return button;
}

QToolButton* TSetUpDlg::SpeedButton(QWidget* parent, const char* name, const QString& caption,
                                    const QString& hint, HintArea area) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setCheckable(true);
    button->setAccessibleName(caption);
    if (!hint.isEmpty())
        Hint(button, hint, area);
    return button;
}

QLabel* TSetUpDlg::Panel(QWidget* parent, const char* name) {
    auto* panel = new QLabel(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    panel->setAlignment(Qt::AlignCenter);
    panel->setMinimumWidth(30);
    return panel;
}

QLineEdit* TSetUpDlg::Edit(QWidget* parent, SetUpEdit which, const char* name, const QString& label,
                           const QString& hint, HintArea area) {
    const PathField field = PathFieldOf(which);
    QLineEdit* edit = field == PathField::None
                          ? new QLineEdit(parent)
                          : new PathEdit(parent, [this, field] { rules_.PathFieldMouseDown(field); });
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(label);
    if (!hint.isEmpty())
        Hint(edit, hint, area);
    edits_[static_cast<std::size_t>(which)] = edit;
    listFontWidgets_.push_back(edit);
    connect(edit, &QLineEdit::textChanged, this,
            [this, which](const QString& text) { EditChange(which, text); });
    return edit;
}

QScrollBar* TSetUpDlg::ScrollBar(QWidget* parent, SetUpScrollBar which, const char* name,
                                 const QString& label, const QString& hint, QLabel* panel, HintArea area) {
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setObjectName(QLatin1String(name));
    const ScrollRange range = RangeOf(which);
    bar->setRange(range.min, range.max);
    bar->setSingleStep(range.smallStep);
    bar->setPageStep(range.largeStep);
    bar->setAccessibleName(label);
    if (!hint.isEmpty())
        Hint(bar, hint, area);
    const auto index = static_cast<std::size_t>(which);
    scrollBars_[index] = bar;
    scrollPanels_[index] = panel;
    panel->setText(QString::number(bar->value()));
    connect(bar, &QScrollBar::valueChanged, this,
            [this, which](int position) { ScrollBarChange(which, position); });
    return bar;
}

QCheckBox* TSetUpDlg::CheckBox(QWidget* parent, SetUpCheckBox which, const char* name, const QString& caption,
                               const QString& hint, HintArea area) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setAccessibleName(caption);
    if (!hint.isEmpty())
        Hint(box, hint, area);
    checkBoxes_[static_cast<std::size_t>(which)] = box;
    connect(box, &QCheckBox::toggled, this, [this, which](bool checked) { CheckBoxClick(which, checked); });
    return box;
}

QGroupBox* TSetUpDlg::RadioGroup(QWidget* parent, SetUpRadioGroup which, const char* name,
                                 const QString& title, const QStringList& items, int columns) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(QLatin1String(name));
    box->setAccessibleName(title.trimmed());
    auto* grid = Tight(new QGridLayout(box), 4, 1);
    auto* group = new QButtonGroup(box);
    const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* item = new QRadioButton(items[i], box);
        item->setAccessibleName(items[i].trimmed());
        group->addButton(item, i);
        // Items run down each column first, as in a radio group of several columns.
        grid->addWidget(item, i % rows, i / rows);
    }
    radioGroups_[static_cast<std::size_t>(which)] = group;
    connect(group, &QButtonGroup::idToggled, this, [this, which](int id, bool checked) {
        if (checked)
            rules_.RadioGroupClick(which, id);
    });
    return box;
}

void TSetUpDlg::BuildWindow() {
    setObjectName(QStringLiteral("TSetUpDlg"));
    setWindowTitle(QStringLiteral("KORVA97の設定"));
    setFixedSize(kClientSize);
    setFont(DialogFont());

    korvaSet_ = new QTabWidget(this);
    korvaSet_->setObjectName(QStringLiteral("KorvaSet"));
    korvaSet_->setAccessibleName(QStringLiteral("KORVA97の設定"));
    QFont tabFont = font();
    tabFont.setPixelSize(11);
    korvaSet_->tabBar()->setFont(tabFont);
    const std::array<QString, 6> captions = {
        QStringLiteral("  基本の設定  "),   QStringLiteral("  リスト０編集  "),
        QStringLiteral("  リスト１編集  "), QStringLiteral("  高度な設定  "),
        QStringLiteral("  リストの検索  "), QStringLiteral("音源")};
    const std::array<QWidget*, 6> pages = {BuildBasicPage(),    BuildListPage(0),  BuildListPage(1),
                                           BuildAdvancedPage(), BuildSearchPage(), BuildSoundPage()};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        pages[i]->setObjectName(QStringLiteral("KorvaSet%1").arg(i));
        korvaSet_->addTab(pages[i], captions[i]);
    }
    korvaSet_->setCurrentIndex(0);
    connect(korvaSet_, &QTabWidget::currentChanged, this, &TSetUpDlg::KorvaSetChange);

    auto* layout = Tight(new QVBoxLayout(this), kWindowMargin, 2);
    layout->addWidget(korvaSet_, 1);
    layout->addWidget(BuildModePanel());
    // The tabs must fit side by side, with no scroll arrows: when the window's own width is too
    // narrow for the six of them in the font the system has, it is just as much wider as they need.
    const int tabsWidth = korvaSet_->tabBar()->sizeHint().width() + 2 * kWindowMargin + kTabBarSlack;
    setFixedSize(std::max(kClientSize.width(), tabsWidth), kClientSize.height());
}

QWidget* TSetUpDlg::BuildModePanel() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("ModePanel"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* rows = Tight(new QVBoxLayout(panel), 4, 2);
    auto* modes = Tight(new QHBoxLayout, 0, 6);
    modeGroup_ = new QButtonGroup(panel);
    struct Mode {
        const char* name;
        const char* caption;
        const char* hint;
        int playmod;
    };
    const Mode modeButtons[] = {
        {"EasyRadioButton", "EASY", "リストを使用しない", EASY},
        {"ProgRadioButton", "PROG", "リスト０/１を時刻切替する", PROG},
        {"List0RadioButton", "LIST0", "リスト０を再生する", LIST0},
        {"List1RadioButton", "LIST1", "リスト１を再生する", LIST1},
        {"List2RadioButton", "2LIST", "リスト０とリスト１を合わせて再生する", LIST2},
        {"ArtsRadioButton", "ARTS", "アーチストを選択して再生する", ARTS},
    };
    for (const Mode& mode : modeButtons) {
        auto* radio = new QRadioButton(QString::fromUtf8(mode.caption), panel);
        radio->setObjectName(QLatin1String(mode.name));
        radio->setAccessibleName(radio->text());
        Hint(radio, QString::fromUtf8(mode.hint), ModeArea);
        modeGroup_->addButton(radio, mode.playmod);
        modes->addWidget(radio);
    }
    connect(modeGroup_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            rules_.ModeRadioButtonClick(static_cast<std::uint8_t>(id));
    });
    modes->addStretch(1);
    auto* close = Button(panel, "CloseBitBtn", QStringLiteral("閉じる"), QString(), ModeArea);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    modes->addWidget(close);

    auto* orders = Tight(new QHBoxLayout, 0, 0);
    const auto speedButtons = [&](QButtonGroup*& group,
                                  const std::vector<std::pair<const char*, QString>>& buttons) {
        group = new QButtonGroup(panel);
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            QToolButton* button =
                SpeedButton(panel, buttons[i].first, buttons[i].second, QString(), ModeArea);
            button->setMinimumWidth(72);
            group->addButton(button, static_cast<int>(i));
            orders->addWidget(button);
        }
    };
    speedButtons(cycGroup_, {{"Cyc0SpeedButton", QStringLiteral("通常再生")},
                             {"Cyc1SpeedButton", QStringLiteral("循環再生")}});
    orders->addSpacing(12);
    speedButtons(rndGroup_, {{"Rnd0SpeedButton", QStringLiteral("曲名順")},
                             {"Rnd1SpeedButton", QStringLiteral("新曲優先")},
                             {"Rnd2SpeedButton", QStringLiteral("ランダム")}});
    orders->addStretch(1);
    connect(cycGroup_, &QButtonGroup::idClicked, this, [this](int id) { rules_.CycSpeedButtonClick(id); });
    connect(rndGroup_, &QButtonGroup::idClicked, this, [this](int id) { rules_.RndSpeedButtonClick(id); });
    rows->addLayout(modes);
    rows->addLayout(orders);
    return panel;
}

QWidget* TSetUpDlg::BuildBasicPage() {
    auto* page = new QWidget;
    auto* columns = Tight(new QHBoxLayout(page), 6, 8);
    auto* left = Tight(new QVBoxLayout, 0, 2);
    auto* right = Tight(new QVBoxLayout, 0, 2);

    const auto pathRow = [&](SetUpEdit which, const char* name, const QString& label, const QString& hint) {
        left->addWidget(Caption(page, label));
        return Edit(page, which, name, label, hint, Page0);
    };
    left->addWidget(pathRow(SetUpEdit::List0DirEdit, "List0DirEdit",
                            QStringLiteral("リスト０追加で最初に開くフォルダ"),
                            QStringLiteral("リスト０編集時に開くディレクトリを設定する")));
    left->addWidget(pathRow(SetUpEdit::List1DirEdit, "List1DirEdit",
                            QStringLiteral("リスト１追加で最初に開くフォルダ"),
                            QStringLiteral("リスト１編集時に開くディレクトリを設定する")));
    QLineEdit* editor =
        pathRow(SetUpEdit::EditorEdit, "EditorEdit", QStringLiteral("TXT, DOC閲覧用ツールのパス"),
                QStringLiteral("ドキュメント閲覧ツールのパスを設定する"));
    auto* editorRow = Tight(new QHBoxLayout, 0, 3);
    editorRow->addWidget(editor, 1);
    auto* ref = Button(page, "RefBitBtn", QStringLiteral("参照 "), QStringLiteral("パスを参照する"), Page0);
    connect(ref, &QPushButton::clicked, this, &TSetUpDlg::RefBitBtnClick);
    editorRow->addWidget(ref);
    left->addLayout(editorRow);

    left->addWidget(RadioGroup(page, SetUpRadioGroup::FixdRadioGroup, "FixdRadioGroup",
                               QStringLiteral(" 画面表示位置の指定 "),
                               {QStringLiteral("左上"), QStringLiteral("左中"), QStringLiteral("左下"),
                                QStringLiteral("中上"), QStringLiteral("中央"), QStringLiteral("中下"),
                                QStringLiteral("右上"), QStringLiteral("右中"), QStringLiteral("右下")},
                               3));
    left->addWidget(CheckBox(page, SetUpCheckBox::PosCheckBox, "PosCheckBox",
                             QStringLiteral("右枠の指定を有効にする"), QString(), Page0));
    auto* adjust = Tight(new QGridLayout, 0, 3);
    const auto adjustRow = [&](int row, SetUpScrollBar which, const char* bar, const char* panel,
                               const QString& label, const QString& hint) {
        QLabel* number = Panel(page, panel);
        number->setFixedWidth(34);
        adjust->addWidget(Caption(page, label), row, 0);
        adjust->addWidget(ScrollBar(page, which, bar, label, hint, number, Page0), row, 1);
        adjust->addWidget(number, row, 2);
    };
    adjustRow(0, SetUpScrollBar::AdjustHScrollBar, "AdjustHScrollBar", "AdjustHPanel",
              QStringLiteral("水平微調"), QStringLiteral("水平位置を調整する"));
    adjustRow(1, SetUpScrollBar::AdjustVScrollBar, "AdjustVScrollBar", "AdjustVPanel",
              QStringLiteral("垂直微調"), QStringLiteral("垂直位置を調整する"));
    left->addLayout(adjust);
    left->addStretch(1);

    // The time bands: one pair of buttons per band, list 0 above list 1.
    auto* bands = new QGroupBox(QStringLiteral("プレイリストを切り替える時間帯の設定"), page);
    auto* bandGrid = Tight(new QGridLayout(bands), 4, 1);
    const QString bandHint = QStringLiteral("リスト0/1の切り替え時刻を設定する");
    for (int list = 0; list < 2; ++list) {
        bandGrid->addWidget(
            Caption(bands, list == 0 ? QStringLiteral("リスト０") : QStringLiteral("リスト１")), list, 0);
    }
    for (int band = 0; band < 6; ++band) {
        auto* group = new QButtonGroup(bands);
        for (int list = 0; list < 2; ++list) {
            const QByteArray name = QStringLiteral("Pro%1%2SpeedButton").arg(band).arg(list).toLatin1();
            QToolButton* button = SpeedButton(bands, name.constData(), QString(), bandHint, Page0);
            button->setFixedWidth(38);
            QFont small = button->font();
            small.setPixelSize(11);
            button->setFont(small);
            group->addButton(button, list);
            bandButtons_[static_cast<std::size_t>(band)][static_cast<std::size_t>(list)] = button;
            bandGrid->addWidget(button, list, band + 1);
            connect(button, &QAbstractButton::clicked, this,
                    [this, band, list] { TimeBandButtonClick(band, list); });
        }
    }
    right->addWidget(bands);

    right->addWidget(RadioGroup(
        page, SetUpRadioGroup::ResetRadioGroup, "ResetRadioGroup", QStringLiteral(" 音源リセットの種別 "),
        {QStringLiteral("Non"), QStringLiteral("GM"), QStringLiteral("GS"), QStringLiteral("88")}, 4));
    const auto check = [&](SetUpCheckBox which, const char* name, const char* caption, const char* hint) {
        right->addWidget(
            CheckBox(page, which, name, QString::fromUtf8(caption), QString::fromUtf8(hint), Page0));
    };
    check(SetUpCheckBox::ViewCheckBox, "ViewCheckBox", "再生で曲ウィンドウ開く",
          "プレイ開始で演奏リストを表示する");
    check(SetUpCheckBox::VolCheckBox, "VolCheckBox", "内蔵音源を音量制御する",
          "MIDI音量を自動および手動で調整する");
    check(SetUpCheckBox::FrontCheckBox, "FrontCheckBox", "常に前面に表示させます",
          "有効にするとドラッグ＆ドロップは不可");
    auto* dropRow = Tight(new QHBoxLayout, 18, 4);
    dropRow->setContentsMargins(18, 0, 0, 0);
    dropRow->addWidget(Caption(page, QStringLiteral("Drag&Drop")));
    ddPanel_ = Panel(page, "DDPanel");
    ddPanel_->setFixedWidth(44);
    ddPanel_->setAutoFillBackground(true);
    Hint(ddPanel_, QStringLiteral("「前面表示」をチェックしてあると不可"), Page0);
    dropRow->addWidget(ddPanel_);
    dropRow->addStretch(1);
    right->addLayout(dropRow);
    check(SetUpCheckBox::ClockCheckBox, "ClockCheckBox", "停止中は日時を表示する", "");
    check(SetUpCheckBox::StreemCheckBox, "StreemCheckBox", "長い曲名ならスクロール", "");
    check(SetUpCheckBox::HintCheckBox, "HintCheckBox", "本体のヘルプを表示する", "本体部のヒントを表示する");
    check(SetUpCheckBox::Hint2CheckBox, "Hint2CheckBox", "本体以外のヘルプを表示",
          "本体部以外のヒントを表示する．有効になるのは次回起動時から");
    right->addStretch(1);
    auto* save = Button(page, "SaveBitBtn", QStringLiteral("設定保存"),
                        QStringLiteral("「基本の設定」「高度な設定」を保存する"), Page0);
    connect(save, &QPushButton::clicked, this, [this] { rules_.SaveBitBtnClick(); });
    right->addWidget(save, 0, Qt::AlignRight);

    columns->addLayout(left, 5);
    columns->addLayout(right, 6);
    return page;
}

QWidget* TSetUpDlg::BuildListPage(int list) {
    const HintArea area = list == 0 ? Page1 : Page2;
    const QString n = QString::number(list);
    const auto name = [&](const char* pattern) { return QString::fromLatin1(pattern).arg(n).toLatin1(); };
    ListPage& controls = listPages_[static_cast<std::size_t>(list)];
    auto* page = new QWidget;
    auto* columns = Tight(new QHBoxLayout(page), 6, 6);

    controls.titles = new QListWidget(page);
    controls.titles->setObjectName(QString::fromLatin1(name("List%1ListBox")));
    controls.titles->setAccessibleName(list == 0 ? QStringLiteral("リスト０") : QStringLiteral("リスト１"));
    controls.titles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listFontWidgets_.push_back(controls.titles);
    QLabel* count = Panel(page, name("Count%1Panel").constData());
    controls.count = count;
    count->setFixedWidth(60);
    auto* listColumn = Tight(new QVBoxLayout, 0, 3);
    controls.titles->setFixedWidth(180);
    listColumn->addWidget(controls.titles, 1);
    auto* countRow = Tight(new QHBoxLayout, 0, 6);
    auto* countLabel = new QLabel(QStringLiteral("総曲数"), page);
    countLabel->setObjectName(QString::fromLatin1(name("Count%1Label")));
    countRow->addStretch();
    countRow->addWidget(countLabel);
    countRow->addWidget(count);
    listColumn->addLayout(countRow);
    columns->addLayout(listColumn);

    auto* side = Tight(new QVBoxLayout, 0, 3);
    auto* fields = Tight(new QGridLayout, 0, 3);
    controls.name = new QLineEdit(page);
    controls.name->setObjectName(QString::fromLatin1(name("Name%1Edit")));
    controls.name->setAccessibleName(QStringLiteral("曲名"));
    controls.path = new QLineEdit(page);
    controls.path->setObjectName(QString::fromLatin1(name("Path%1Edit")));
    controls.path->setAccessibleName(QStringLiteral("パス"));
    controls.path->setReadOnly(true);
    Hint(controls.path, QStringLiteral("この欄は表示専用です"), area);
    listFontWidgets_.push_back(controls.name);
    listFontWidgets_.push_back(controls.path);
    fields->addWidget(Caption(page, QStringLiteral("曲名")), 0, 0);
    fields->addWidget(controls.name, 0, 1);
    fields->addWidget(Caption(page, QStringLiteral("パス")), 1, 0);
    fields->addWidget(controls.path, 1, 1);
    side->addLayout(fields);

    auto* feel = new QGroupBox(QStringLiteral(" あなたはこの曲が? "), page);
    feel->setObjectName(QString::fromLatin1(name("Feel%1RadioGroup")));
    auto* feelGrid = Tight(new QGridLayout(feel), 4, 1);
    controls.feel = new QButtonGroup(feel);
    const QStringList feelings = {QStringLiteral("とても好きです(L)"), QStringLiteral("普通かな?(M)"),
                                  QStringLiteral("それほどでも(S)"), QStringLiteral("しばらくお休み(R)")};
    for (int i = 0; i < feelings.size(); ++i) {
        auto* item = new QRadioButton(feelings[i], feel);
        item->setAccessibleName(feelings[i]);
        controls.feel->addButton(item, i);
        feelGrid->addWidget(item, i % 2, i / 2);
    }
    side->addWidget(feel);

    auto* volRow = Tight(new QHBoxLayout, 0, 3);
    controls.vol = new QScrollBar(Qt::Horizontal, page);
    controls.vol->setObjectName(QString::fromLatin1(name("Vol%1ScrollBar")));
    controls.vol->setRange(-5, 5);
    controls.vol->setAccessibleName(QStringLiteral("-5  VOL +5"));
    Hint(controls.vol, QStringLiteral("自動音量調整値の設定をする"), area);
    controls.volPanel = Panel(page, name("Vol%1Panel").constData());
    controls.volPanel->setFixedWidth(34);
    volRow->addWidget(Caption(page, QStringLiteral("-5  VOL +5")));
    volRow->addWidget(controls.vol, 1);
    volRow->addWidget(controls.volPanel);
    side->addLayout(volRow);

    auto* buttons = Tight(new QGridLayout, 0, 3);
    controls.txt = Button(page, name("TxtButton%1").constData(), QStringLiteral("TXT閲覧"),
                          QStringLiteral("TXTファイルを閲覧する"), area);
    controls.doc = Button(page, name("DocButton%1").constData(), QStringLiteral("DOC閲覧"),
                          QStringLiteral("DOCファイルを閲覧する"), area);
    const QString other = list == 0 ? QStringLiteral("リスト１") : QStringLiteral("リスト０");
    controls.man = Button(page, name("Man%1Button").constData(), QStringLiteral("手動追加"), QString(), area);
    controls.autoAdd =
        Button(page, name("Auto%1Button").constData(), QStringLiteral("自動追加"), QString(), area);
    controls.edit = Button(page, name("Edit%1Button").constData(), QStringLiteral("修整"), QString(), area);
    controls.del = Button(page, name("Del%1Button").constData(), QStringLiteral("削除"), QString(), area);
    controls.mon = Button(page, name("Mon%1Button").constData(), QStringLiteral("試聴する"), QString(), area);
    controls.ctrl = Button(page, name("Ctrl%1Button").constData(), QStringLiteral("！制御  "),
                           QStringLiteral("新曲マーク(!1,!2,!3)を制御する"), area);
    const std::vector<QPushButton*> maintenance = {
        controls.move = Button(page, name("Move%1BitBtn").constData(), QStringLiteral("移動"),
                               QStringLiteral("指定した曲を%1に移動する").arg(other), area),
        controls.copy = Button(page, name("Copy%1BitBtn").constData(), QStringLiteral("複写"),
                               QStringLiteral("指定した曲を%1にコピーする").arg(other), area),
        controls.send = Button(page, name("Snd%1BitBtn").constData(), QStringLiteral("送る"),
                               QStringLiteral("指定の曲データを選択したフォルダにコピーする"), area),
    };
    controls.txt->setEnabled(false);
    controls.doc->setEnabled(false);
    const std::vector<QPushButton*> commands = {
        controls.man,   controls.autoAdd, controls.edit,  controls.del, controls.mon, controls.ctrl,
        maintenance[0], maintenance[1],   maintenance[2], controls.txt, controls.doc};
    for (std::size_t i = 0; i < commands.size(); ++i)
        buttons->addWidget(commands[i], static_cast<int>(i / 3), static_cast<int>(i % 3));
    side->addLayout(buttons);
    side->addStretch(1);
    columns->addLayout(side, 1);
    return page;
}

QWidget* TSetUpDlg::BuildAdvancedPage() {
    auto* page = new QWidget;
    auto* columns = Tight(new QHBoxLayout(page), 6, 8);
    auto* left = Tight(new QVBoxLayout, 0, 3);
    auto* right = Tight(new QVBoxLayout, 0, 3);
    const auto row = [](QBoxLayout* rows) {
        auto* line = Tight(new QHBoxLayout, 0, 3);
        rows->addLayout(line);
        return line;
    };

    QGroupBox* design = RadioGroup(page, SetUpRadioGroup::DesignRadioGroup, "DesignRadioGroup",
                                   QStringLiteral(" 本体のデザイン "),
                                   {QStringLiteral("スタンダード"), QStringLiteral("デラックス  ")}, 2);
    Hint(design, QStringLiteral("起動時に有効です"), Page3);
    left->addWidget(design);
    left->addWidget(RadioGroup(
        page, SetUpRadioGroup::StartRadioGroup, "StartRadioGroup", QStringLiteral(" 自動スタート "),
        {QStringLiteral("しない"), QStringLiteral("３秒後"), QStringLiteral("６秒後")}, 3));

    auto* fontGroup = new QGroupBox(QStringLiteral(" リストの表示フォント "), page);
    auto* fontRows = Tight(new QVBoxLayout(fontGroup), 4, 2);
    goticRadioButton_ = new QRadioButton(QStringLiteral("ＭＳゴシック"), fontGroup);
    goticRadioButton_->setObjectName(QStringLiteral("GoticRadioButton"));
    minchyoRadioButton_ = new QRadioButton(QStringLiteral("ＭＳ明朝"), fontGroup);
    minchyoRadioButton_->setObjectName(QStringLiteral("MinchyoRadioButton"));
    for (QRadioButton* radio : {goticRadioButton_, minchyoRadioButton_})
        radio->setAccessibleName(radio->text());
    connect(goticRadioButton_, &QRadioButton::clicked, this, [this] {
        rules_.FontRadioButtonClick(0);
        ApplyListFont();
    });
    connect(minchyoRadioButton_, &QRadioButton::clicked, this, [this] {
        rules_.FontRadioButtonClick(1);
        ApplyListFont();
    });
    QHBoxLayout* faces = row(fontRows);
    faces->addWidget(goticRadioButton_);
    faces->addWidget(minchyoRadioButton_);
    QLabel* fontPanel = Panel(fontGroup, "FontPanel");
    fontPanel->setFixedWidth(30);
    Hint(fontPanel, QStringLiteral("フォントサイズ"), Page3);
    QHBoxLayout* size = row(fontRows);
    size->addWidget(
        ScrollBar(fontGroup, SetUpScrollBar::FontScrollBar, "FontScrollBar", QStringLiteral("ポイント"),
                  QStringLiteral("フォントサイズの指定です"), fontPanel, Page3),
        1);
    size->addWidget(fontPanel);
    size->addWidget(Caption(fontGroup, QStringLiteral("ポイント")));
    left->addWidget(fontGroup);

    auto* checkGroup = new QGroupBox(QStringLiteral(" プレイリストのチェック "), page);
    auto* checkRows = Tight(new QVBoxLayout(checkGroup), 4, 2);
    play0RadioButton_ = new QRadioButton(QStringLiteral("リスト０"), checkGroup);
    play0RadioButton_->setObjectName(QStringLiteral("Play0RadioButton"));
    play1RadioButton_ = new QRadioButton(QStringLiteral("リスト１"), checkGroup);
    play1RadioButton_->setObjectName(QStringLiteral("Play1RadioButton"));
    for (QRadioButton* radio : {play0RadioButton_, play1RadioButton_})
        radio->setAccessibleName(radio->text());
    auto* checkButton = Button(checkGroup, "CheckBitBtn", QStringLiteral("確認 "),
                               QStringLiteral("MIDIファイルの存在チェックをします"), Page3);
    connect(checkButton, &QPushButton::clicked, this, &TSetUpDlg::CheckBitBtnClick);
    QHBoxLayout* lists = row(checkRows);
    lists->addWidget(play0RadioButton_);
    lists->addWidget(play1RadioButton_);
    lists->addStretch(1);
    lists->addWidget(checkButton);
    QLabel* introPanel = Panel(checkGroup, "IntroPanel");
    introPanel->setFixedWidth(30);
    Hint(introPanel, QStringLiteral("イントロ再生時間（秒）"), Page3);
    auto* intro = Button(checkGroup, "IntroBitBtn", QStringLiteral("イントロ再生"), QString(), Page3);
    connect(intro, &QPushButton::clicked, this, &TSetUpDlg::IntroBitBtnClick);
    QHBoxLayout* introRow = row(checkRows);
    introRow->addWidget(intro);
    introRow->addWidget(ScrollBar(checkGroup, SetUpScrollBar::IntroScrollBar, "IntroScrollBar",
                                  QStringLiteral("イントロ再生時間（秒）"),
                                  QStringLiteral("イントロ時間の調整（10-60秒）です"), introPanel, Page3),
                        1);
    introRow->addWidget(introPanel);
    left->addWidget(checkGroup);

    auto* closeGroup = new QGroupBox(QStringLiteral(" 演奏リストウィンドウのクローズ "), page);
    auto* closeRows = Tight(new QVBoxLayout(closeGroup), 4, 2);
    closeRows->addWidget(CheckBox(closeGroup, SetUpCheckBox::CloseCheckBox, "CloseCheckBox",
                                  QStringLiteral("ウィンドウを自動で閉じる"), QString(), Page3));
    QLabel* closePanel = Panel(closeGroup, "ClosePanel");
    closePanel->setFixedWidth(30);
    Hint(closePanel, QStringLiteral("クローズするまでの時間(秒)"), Page3);
    QHBoxLayout* closeRow = row(closeRows);
    closeRow->addWidget(
        ScrollBar(closeGroup, SetUpScrollBar::CloseScrollBar, "CloseScrollBar",
                  QStringLiteral("クローズするまでの時間(秒)"),
                  QStringLiteral("自動クローズする時間の調整(10-60秒)です"), closePanel, Page3),
        1);
    closeRow->addWidget(closePanel);
    closeRow->addWidget(Caption(closeGroup, QStringLiteral("秒後")));
    left->addWidget(closeGroup);
    left->addStretch(1);

    auto* knifeGroup = new QGroupBox(QStringLiteral(" ＳＭＦナイフの設定 "), page);
    Hint(knifeGroup, QStringLiteral("ＳＭＦナイフについては応用．ＴＸＴ参照"), Page3);
    auto* knifeRows = Tight(new QVBoxLayout(knifeGroup), 4, 2);
    knifeRows->addWidget(CheckBox(knifeGroup, SetUpCheckBox::UseKnifCheckBox, "UseKnifCheckBox",
                                  QStringLiteral("ＳＭＦナイフを使用する"), QString(), Page3));
    knifeRows->addWidget(Caption(knifeGroup, QStringLiteral("ＳＭＦナイフのパス")));
    QHBoxLayout* knifeRow = row(knifeRows);
    knifeRow->addWidget(Edit(knifeGroup, SetUpEdit::KnifeEdit, "KnifeEdit",
                             QStringLiteral("ＳＭＦナイフのパス"), QString(), Page3),
                        1);
    auto* knifeBrowse =
        Button(knifeGroup, "SpeedButton2", QStringLiteral("参照"), QStringLiteral("パスを参照する"), Page3);
    connect(knifeBrowse, &QPushButton::clicked, this, &TSetUpDlg::SpeedButton2Click);
    knifeRow->addWidget(knifeBrowse);
    auto* knifeGrid = Tight(new QGridLayout, 0, 2);
    knifeGrid->addWidget(Caption(knifeGroup, QStringLiteral("ボタン名")), 0, 1);
    knifeGrid->addWidget(Caption(knifeGroup, QStringLiteral("CFG名とパラメータ")), 0, 2);
    const auto knifeButton = [&](int number, SetUpEdit button, const char* buttonName, SetUpEdit parameters,
                                 const char* parametersName) {
        const QString digit = QString::number(number);
        knifeGrid->addWidget(Caption(knifeGroup, digit), number, 0);
        knifeGrid->addWidget(
            Edit(knifeGroup, button, buttonName, QStringLiteral("ボタン名 ") + digit, QString(), Page3),
            number, 1);
        knifeGrid->addWidget(Edit(knifeGroup, parameters, parametersName,
                                  QStringLiteral("CFG名とパラメータ ") + digit, QString(), Page3),
                             number, 2);
    };
    knifeButton(1, SetUpEdit::Btn1Edit, "Btn1Edit", SetUpEdit::Param1Edit, "Param1Edit");
    knifeButton(2, SetUpEdit::Btn2Edit, "Btn2Edit", SetUpEdit::Param2Edit, "Param2Edit");
    knifeGrid->setColumnStretch(1, 2);
    knifeGrid->setColumnStretch(2, 3);
    knifeRows->addLayout(knifeGrid);
    right->addWidget(knifeGroup);

    auto* converterGroup = new QGroupBox(QStringLiteral(" ＳＭＦコンバータの設定 "), page);
    Hint(converterGroup, QStringLiteral("コンバータについては応用.TXT参照"), Page3);
    auto* converters = Tight(new QVBoxLayout(converterGroup), 4, 1);
    converters->addWidget(CheckBox(converterGroup, SetUpCheckBox::UseCVS2CheckBox, "UseCVS2CheckBox",
                                   QStringLiteral("ＣＶＳを使用する"), QString(), Page3));
    converters->addWidget(CheckBox(converterGroup, SetUpCheckBox::UseSNG2CheckBox, "UseSNG2CheckBox",
                                   QStringLiteral("ＳＮＧ２Ｓを使用する"), QString(), Page3));
    converters->addWidget(CheckBox(converterGroup, SetUpCheckBox::UseMM2SCheckBox, "UseMM2SCheckBox",
                                   QStringLiteral("ＭＭ２Ｓを使用する"), QString(), Page3));
    right->addWidget(converterGroup);
    right->addStretch(1);

    auto* k97 = new DeckLabel(QStringLiteral("KORVA97"), page);
    k97->setObjectName(QStringLiteral("K97Panel"));
    k97->setFrameStyle(QFrame::Panel | QFrame::Raised);
    k97->setAlignment(Qt::AlignCenter);
    k97->setCursor(Qt::WhatsThisCursor);
    k97->setFixedHeight(34);
    k97->setFont(DeckFont(20));
    SetLabelLook(k97, 0x008080);
    Hint(k97, QStringLiteral("クリックで「ＫＯＲＶＡ９７について」をオープンします"), Page3);
    connect(k97, &DeckLabel::clicked, this, &TSetUpDlg::K97PanelClick);
    right->addWidget(k97);

    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    return page;
}

QWidget* TSetUpDlg::BuildSearchPage() {
    auto* page = new QWidget;
    auto* rows = Tight(new QVBoxLayout(page), 6, 3);

    auto* findGroup = new QGroupBox(QStringLiteral(" 曲名やファイル名から検索する "), page);
    auto* findGrid = Tight(new QGridLayout(findGroup), 4, 3);
    findEdit_ = new QLineEdit(findGroup);
    findEdit_->setObjectName(QStringLiteral("FindEdit"));
    findEdit_->setAccessibleName(QStringLiteral("検索文字"));
    listFontWidgets_.push_back(findEdit_);
    auto* findButton = Button(findGroup, "FindButton", QStringLiteral("検索を開始する"), QString(), Page4);
    connect(findButton, &QPushButton::clicked, this, &TSetUpDlg::FindButtonClick);
    auto* clearButton = Button(findGroup, "ClearButton", QStringLiteral("クリア"), QString(), Page4);
    connect(clearButton, &QPushButton::clicked, this, &TSetUpDlg::ClearButtonClick);
    findGrid->addWidget(Caption(findGroup, QStringLiteral("検索文字")), 0, 0);
    findGrid->addWidget(findEdit_, 0, 1);
    findGrid->addWidget(findButton, 0, 2);
    findGrid->addWidget(clearButton, 0, 3);
    msgLabel_ = new QLabel(findGroup);
    msgLabel_->setObjectName(QStringLiteral("MsgLabel"));
    msgLabel_->setTextFormat(Qt::PlainText);
    msgLabel_->setMinimumHeight(48);
    msgLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    findGrid->addWidget(msgLabel_, 1, 0, 1, 3);
    auto* product = new DeckLabel(QStringLiteral("KORVA97"), findGroup);
    product->setObjectName(QStringLiteral("K97Label"));
    product->setCursor(Qt::WhatsThisCursor);
    product->setFont(DeckFont(18));
    SetLabelLook(product, 0x008080);
    Hint(product, QStringLiteral("クリックで「ＫＯＲＶＡ９７について」をオープンします"), Page4);
    connect(product, &DeckLabel::clicked, this, &TSetUpDlg::K97PanelClick);
    findGrid->addWidget(product, 1, 3, Qt::AlignCenter);
    rows->addWidget(findGroup);

    auto* lists = Tight(new QGridLayout, 0, 2);
    const auto findList = [&](int list, const char* panelName, const char* listName, const QString& panelText,
                              const QString& heading) {
        QLabel* panel = Panel(page, panelName);
        findPanels_[static_cast<std::size_t>(list)] = panel;
        panel->setText(panelText);
        panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        auto* found = new QListWidget(page);
        found->setObjectName(QLatin1String(listName));
        found->setAccessibleName(heading);
        lists->addWidget(Caption(page, heading), 0, list);
        lists->addWidget(panel, 1, list);
        lists->addWidget(found, 2, list);
        return found;
    };
    find0ListBox_ = findList(0, "Find0Panel", "Find0ListBox", QStringLiteral("   リスト０のパス"),
                             QStringLiteral("リスト０[LIST0]"));
    find1ListBox_ = findList(1, "Find1Panel", "Find1ListBox", QStringLiteral("   リスト１のパス"),
                             QStringLiteral("リスト１[LIST1]"));
    rows->addLayout(lists, 1);

    auto* monRow = Tight(new QHBoxLayout, 0, 3);
    findMonEdit_ = new QLineEdit(page);
    findMonEdit_->setObjectName(QStringLiteral("FindMonEdit"));
    findMonEdit_->setAccessibleName(QStringLiteral("試聴する曲"));
    SetPaletteColour(findMonEdit_, QPalette::Base, QColor(255, 255, 0));
    auto* monButton = Button(page, "FindMonButton", QStringLiteral("試聴する"), QString(), Page4);
    connect(monButton, &QPushButton::clicked, this, &TSetUpDlg::FindMonButtonClick);
    for (QListWidget* found : {find0ListBox_, find1ListBox_}) {
        connect(found, &QListWidget::itemClicked, this, [this, found] { FindListBoxClick(found); });
        connect(found, &QListWidget::itemDoubleClicked, this, [this, found] {
            FindListBoxClick(found);
            FindMonButtonClick();
        });
    }
    monRow->addWidget(findMonEdit_, 1);
    monRow->addWidget(monButton);
    rows->addLayout(monRow);
    return page;
}

QWidget* TSetUpDlg::BuildSoundPage() {
    auto* page = new QWidget;
    auto* rows = Tight(new QVBoxLayout(page), 6, 6);
    const auto combo = [&](QWidget* parent, const char* name, const QString& label, const QString& hint) {
        auto* box = new QComboBox(parent);
        box->setObjectName(QLatin1String(name));
        box->setAccessibleName(label);
        // A long port name or path must not widen the fixed window: the box shows what fits.
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(12);
        Hint(box, hint, Page5);
        return box;
    };
    const auto check = [&](QWidget* parent, const char* name, const QString& caption, const QString& hint) {
        auto* box = new QCheckBox(caption, parent);
        box->setObjectName(QLatin1String(name));
        box->setAccessibleName(caption);
        Hint(box, hint, Page5);
        return box;
    };

    auto* outputGroup = new QGroupBox(QStringLiteral(" 出力先 "), page);
    outputGroup->setObjectName(QStringLiteral("OutputGroupBox"));
    auto* outputRows = Tight(new QVBoxLayout(outputGroup), 4, 2);
    outputRows->addWidget(Caption(outputGroup, QStringLiteral("曲を演奏する音源")));
    outputComboBox_ = combo(outputGroup, "OutputComboBox", QStringLiteral("出力先"),
                            QStringLiteral("内蔵シンセサイザーか、MIDI出力ポートを選ぶ"));
    connect(outputComboBox_, &QComboBox::currentIndexChanged, this, &TSetUpDlg::OutputComboBoxChange);
    outputRows->addWidget(outputComboBox_);
    rows->addWidget(outputGroup);

    synthGroupBox_ = new QGroupBox(QStringLiteral(" 内蔵シンセサイザー "), page);
    synthGroupBox_->setObjectName(QStringLiteral("SynthGroupBox"));
    Hint(synthGroupBox_, QStringLiteral("出力先が内蔵シンセサイザーのときに使われます"), Page5);
    auto* synthRows = Tight(new QVBoxLayout(synthGroupBox_), 4, 3);
    synthRows->addWidget(Caption(synthGroupBox_, QStringLiteral("SoundFont（音色ファイル）")));
    auto* soundFontRow = Tight(new QHBoxLayout, 0, 3);
    soundFontComboBox_ = combo(synthGroupBox_, "SoundFontComboBox", QStringLiteral("SoundFont"),
                               QStringLiteral("内蔵シンセサイザーが使うSoundFontを選ぶ"));
    connect(soundFontComboBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            sound_.ChooseSoundFont(static_cast<std::size_t>(index));
    });
    soundFontRow->addWidget(soundFontComboBox_, 1);
    auto* ref = Button(synthGroupBox_, "SoundFontRefBitBtn", QStringLiteral("参照"),
                       QStringLiteral("SoundFontファイルを参照する"), Page5);
    connect(ref, &QPushButton::clicked, this, &TSetUpDlg::SoundFontRefBitBtnClick);
    soundFontRow->addWidget(ref);
    synthRows->addLayout(soundFontRow);

    auto* effects = Tight(new QHBoxLayout, 0, 12);
    reverbCheckBox_ =
        check(synthGroupBox_, "ReverbCheckBox", QStringLiteral("リバーブ"), QStringLiteral("残響をつける"));
    connect(reverbCheckBox_, &QCheckBox::toggled, this, [this](bool on) { sound_.SetReverb(on); });
    chorusCheckBox_ = check(synthGroupBox_, "ChorusCheckBox", QStringLiteral("コーラス"),
                            QStringLiteral("音に広がりをつける"));
    connect(chorusCheckBox_, &QCheckBox::toggled, this, [this](bool on) { sound_.SetChorus(on); });
    effects->addWidget(reverbCheckBox_);
    effects->addWidget(chorusCheckBox_);
    effects->addStretch(1);
    synthRows->addLayout(effects);

    auto* gainRow = Tight(new QHBoxLayout, 0, 4);
    gainSpinBox_ = new QDoubleSpinBox(synthGroupBox_);
    gainSpinBox_->setObjectName(QStringLiteral("GainSpinBox"));
    gainSpinBox_->setAccessibleName(QStringLiteral("ゲイン"));
    gainSpinBox_->setDecimals(2);
    gainSpinBox_->setRange(kLeastGain / 100.0, kMostGain / 100.0);
    gainSpinBox_->setSingleStep(kGainStep / 100.0);
    Hint(gainSpinBox_, QStringLiteral("内蔵シンセサイザーの音量（0.01～2.00）"), Page5);
    connect(gainSpinBox_, &QDoubleSpinBox::valueChanged, this,
            [this](double value) { sound_.SetGain(GainHundredths(value)); });
    gainRow->addWidget(Caption(synthGroupBox_, QStringLiteral("ゲイン")));
    gainRow->addWidget(gainSpinBox_);
    gainRow->addStretch(1);
    synthRows->addLayout(gainRow);
    rows->addWidget(synthGroupBox_);
    rows->addStretch(1);

    auto* save = Button(page, "SynthSaveBitBtn", QStringLiteral("設定保存"),
                        QStringLiteral("「音源」を保存する．有効になるのは次の曲から"), Page5);
    connect(save, &QPushButton::clicked, this, [this] { sound_.SaveButtonClick(); });
    rows->addWidget(save, 0, Qt::AlignRight);
    return page;
}

}  // namespace korva
