#include "screens/settings_screen.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>

#include "screens/screen_parts.h"
#include "state/settings_file.h"
#include "ui/message_box.h"

using namespace ScreenParts;

namespace {
// Room a control inside a frame keeps from the frame's right edge.
constexpr int kFrameInnerMargin = 3;

QGroupBox* makeFrame(QWidget* window, const char* name, const QString& caption, int left, int top,
                     int width, int height) {
    auto* frame = new FrameBox(caption, window);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setGeometry(toPixels(left, top, width, height));
    return frame;
}

QScrollBar* makeScrollBar(QGroupBox* frame, const char* name, int maximum, int designValue,
                          int left, int top, int width, int height) {
    auto* bar = new QScrollBar(Qt::Horizontal, frame);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setGeometry(toPixels(left, top, width, height));
    bar->setRange(1, maximum);
    // An arrow and a click on the track both move the value by one.
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setValue(designValue);
    bar->setFocusPolicy(Qt::StrongFocus);  // it takes the keyboard like the other controls
    // A scroll bar of the toolkit inverts its keys by default (the right arrow key would lower
    // the value); here the right arrow key raises it, as the right arrow button does.
    bar->setInvertedControls(false);
    return bar;
}

QLabel* makeLabel(QGroupBox* frame, const char* name, const QString& caption, int left, int top,
                  int width, int height) {
    auto* label = new QLabel(caption, frame);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(toPixels(left, top, width, height));
    return label;
}

// A value box: white, a single-line border, empty until the screen is loaded.
QLabel* makeValueBox(QGroupBox* frame, const char* name, int left, int top, int width, int height) {
    QLabel* box = makeLabel(frame, name, QString(), left, top, width, height);
    box->setFrameStyle(QFrame::Box | QFrame::Plain);
    box->setLineWidth(1);
    box->setAutoFillBackground(true);
    QPalette colours = box->palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, Qt::black);
    box->setPalette(colours);
    return box;
}
}  // namespace

SettingsScreen::SettingsScreen(SharedState& state, std::function<void()> returnToGame,
                               QWidget* parent)
    : AdultScreen(QStringLiteral("Form2"), QStringLiteral("カード選び"), 6255, 6570,
                  std::move(returnToGame), parent),
      m_state(state) {
    buildControls();
}

void SettingsScreen::buildControls() {
    // Created first, so it lies beneath everything else.
    auto* shape = new FrameRectangle(this);
    shape->setGeometry(toPixels(120, 120, 6015, 6375));
    const int insideLeft = shape->x() + 4;
    const int insideRight = shape->geometry().right() - 4;

    QGroupBox* frame1 = makeFrame(this, "Frame1", QStringLiteral("かぞえ方"), 360, 600, 2655, 2295);
    QGroupBox* frame2 =
        makeFrame(this, "Frame2", QStringLiteral("キャラ点滅時間"), 3240, 1680, 2655, 1335);
    QGroupBox* frame3 =
        makeFrame(this, "Frame3", QStringLiteral("最小個数"), 3240, 3120, 2655, 855);
    QGroupBox* frame4 =
        makeFrame(this, "Frame4", QStringLiteral("最大個数"), 3240, 4080, 2655, 855);
    QGroupBox* frame5 =
        makeFrame(this, "Frame5", QStringLiteral("タッチの方法"), 360, 3000, 2655, 975);
    QGroupBox* frame6 =
        makeFrame(this, "Frame6", QStringLiteral("キャラの種類"), 360, 4080, 2655, 975);
    QGroupBox* frame7 =
        makeFrame(this, "Frame7", QStringLiteral("マウスカーソル表示"), 3240, 600, 2655, 975);
    QGroupBox* frame8 =
        makeFrame(this, "Frame8", QStringLiteral("発問の仕方"), 360, 5160, 2655, 975);

    // Each frame is its own group: choosing a button clears the others of that frame only.
    struct OptionDesign {
        QGroupBox* frame;
        const char* caption;
        int left, top, width, height;
    };
    // The buttons grow to the height the toolkit's round indicator needs (fitCaption below), about
    // their middle and still inside their frame; Option12 and Option13 were even drawn 180 twips
    // high, less than a line of text.
    const OptionDesign designs[14] = {
        {},
        {frame1, "どこからでもＯＫ", 240, 240, 1815, 255},
        {frame1, "左から順に（誤訂正無し）", 240, 600, 2295, 300},
        {frame1, "左から順に（誤訂正有り）", 240, 960, 2295, 375},
        {frame1, "左から順に（数字点滅）", 240, 1320, 2175, 495},
        {frame1, "かぞえ無し", 240, 1800, 2055, 375},
        {frame5, "触れるだけ", 240, 240, 1815, 255},
        {frame5, "クリックする", 240, 600, 1935, 255},
        {frame6, "同一", 240, 240, 1815, 255},
        {frame6, "いろいろ", 240, 600, 1935, 255},
        {frame8, "いくつかな", 240, 240, 2175, 255},
        {frame8, "なんにんかな", 240, 600, 2175, 255},
        {frame7, "有り", 240, 240, 1815, 180},
        {frame7, "無し", 240, 600, 1935, 180},
    };
    QButtonGroup* groupOf[9] = {};
    for (int n = 1; n <= 13; ++n) {
        const OptionDesign& d = designs[n];
        auto* option = new QRadioButton(QString::fromUtf8(d.caption), d.frame);
        option->setObjectName(QStringLiteral("Option%1").arg(n));
        option->setGeometry(toPixels(d.left, d.top, d.width, d.height));
        // The captions of "かぞえ方" were drawn to the width of "ＭＳ Ｐゴシック"; with a wider
        // face they grow to the frame's edge, and only if that is not enough does the text shrink.
        fitCaption(option, option->x(), d.frame->width() - kFrameInnerMargin, Anchor::Left);
        const int frameNumber = d.frame->objectName().mid(5).toInt();
        if (groupOf[frameNumber] == nullptr) {
            groupOf[frameNumber] = new QButtonGroup(this);
            groupOf[frameNumber]->setExclusive(true);
        }
        groupOf[frameNumber]->addButton(option);
        m_options[n] = option;
    }
    m_countWays = groupOf[1];

    m_blinkTime =
        makeScrollBar(frame2, "HScroll1", SettingRange::MaxBlinkTime, 5, 480, 360, 1695, 255);
    QLabel* label3 = makeLabel(frame2, "Label3", QStringLiteral("０．１×"), 480, 840, 615, 255);
    m_blinkTimeBox = makeValueBox(frame2, "Label4", 1200, 840, 495, 255);
    QLabel* label5 = makeLabel(frame2, "Label5", QStringLiteral("秒"), 1920, 840, 375, 255);
    m_minCount =
        makeScrollBar(frame3, "HScroll2", SettingRange::MaxCharacters, 1, 240, 360, 1575, 255);
    m_minCountBox = makeValueBox(frame3, "Label6", 1920, 360, 495, 255);
    m_maxCount =
        makeScrollBar(frame4, "HScroll3", SettingRange::MaxCharacters, 1, 240, 360, 1575, 255);
    m_maxCountBox = makeValueBox(frame4, "Label7", 1920, 360, 495, 255);
    // "０．１×" is four full-width characters wide in the stand-in faces, wider than its design
    // box: it grows to the left, towards the frame's edge, so that it still ends before the value.
    fitCaption(label3, 8, m_blinkTimeBox->x() - 2, Anchor::Left);
    fitCaption(label5, label5->x(), frame2->width() - kFrameInnerMargin, Anchor::Left);
    for (QLabel* box : {m_blinkTimeBox, m_minCountBox, m_maxCountBox}) {
        // Sized for "４０", the widest value; only the height may need to grow.
        box->setText(fullWidthNumber(SettingRange::MaxBlinkTime));
        fitCaption(box, box->x(), box->x() + box->width(), Anchor::Left);
        box->clear();
    }

    auto* command2 = new CommandButton(QStringLiteral("キャンセル"), this);
    command2->setObjectName(QStringLiteral("Command2"));
    command2->setGeometry(toPixels(3360, 5400, 975, 375));
    auto* command1 = new CommandButton(QStringLiteral("実行"), this);
    command1->setObjectName(QStringLiteral("Command1"));
    command1->setGeometry(toPixels(4800, 5400, 975, 375));
    // "キャンセル" is a little too wide for its button in the stand-in faces: the button widens
    // about its centre by a few pixels, into the gap between the two buttons.
    fitCaption(command2, frame4->x(), command1->x() - 6, Anchor::Centre);
    fitCaption(command1, command2->geometry().right() + 6, insideRight, Anchor::Centre);

    // The title sizes itself to its text, about its centre (the window's middle).
    QLabel* title = makeTitle(QStringLiteral("かぞえよう設定"), this);
    title->setObjectName(QStringLiteral("Label2"));
    title->setGeometry(toPixels(2160, 240, 1935, 285));
    fitCaption(title, insideLeft, insideRight, Anchor::Centre);
    // A taller face would push the title into the frames below: it keeps their distance.
    if (title->geometry().bottom() >= frame1->y()) {
        title->move(title->x(), std::max(shape->y() + 2, frame1->y() - title->height()));
    }

    QLabel* credit = makeCreditLine(this);
    credit->setObjectName(QStringLiteral("Label1"));
    credit->setGeometry(toPixels(3720, 6000, 1815, 255));
    fitCaption(credit, frame4->x(), insideRight, Anchor::Centre);

    connect(m_blinkTime, &QScrollBar::valueChanged, this, [this] { HScroll1_Change(); });
    connect(m_minCount, &QScrollBar::valueChanged, this, [this] { HScroll2_Change(); });
    connect(m_maxCount, &QScrollBar::valueChanged, this, [this] { HScroll3_Change(); });
    // While the thumb is dragged the box follows it, even before the value itself changes.
    connect(m_blinkTime, &QScrollBar::sliderMoved, this, [this] { HScroll1_Scroll(); });
    connect(m_minCount, &QScrollBar::sliderMoved, this, [this] { HScroll2_Scroll(); });
    connect(m_maxCount, &QScrollBar::sliderMoved, this, [this] { HScroll3_Scroll(); });
    connect(command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(command2, &QPushButton::clicked, this, [this] { Command2_Click(); });

    // The keyboard order of the original design: not row by row, but as the controls were added.
    setTabChain({m_options[1], m_options[2], command1, command2, m_options[3], m_options[4],
                 m_blinkTime, m_minCount, m_maxCount, m_options[5], m_options[6], m_options[7],
                 m_options[8], m_options[9], m_options[10], m_options[11], m_options[12],
                 m_options[13]});
    m_options[1]->setFocus();
}

void SettingsScreen::Form_Activate() {
    const GameSettings& s = m_state.Settings;
    EntryCountMode = s.CountMode;

    // A hand-edited "Pimo.txt" may hold a value outside a bar's range: the bar shows the nearest
    // end of its range, and "実行" then keeps the value shown.
    m_blinkTime->setValue(s.BlinkTime);
    m_minCount->setValue(s.MinCount);
    m_maxCount->setValue(s.MaxCount);
    // A bar set to the value it already holds says nothing, yet its box must show it.
    HScroll1_Change();
    HScroll2_Change();
    HScroll3_Change();

    setPair(6, 7, s.ClickToCount);
    setPair(8, 9, s.MixedCharacters);
    setPair(10, 11, s.AskHowManyPeople);
    setPair(12, 13, s.HideCursor);

    if (s.CountMode >= CountWay::AnyOrder && s.CountMode <= CountWay::NoCounting) {
        m_options[1 + s.CountMode]->setChecked(true);
    } else {
        // A counting way the screen does not know: no button chosen, and "実行" leaves it as is
        // unless the user chooses one.
        m_countWays->setExclusive(false);
        for (QAbstractButton* option : m_countWays->buttons())
            option->setChecked(false);
        m_countWays->setExclusive(true);
    }
}

void SettingsScreen::setPair(int falseOption, int trueOption, bool value) {
    m_options[value ? trueOption : falseOption]->setChecked(true);
}

void SettingsScreen::HScroll1_Change() {
    showValue(m_blinkTimeBox, m_blinkTime->value());
}
void SettingsScreen::HScroll2_Change() {
    showValue(m_minCountBox, m_minCount->value());
}
void SettingsScreen::HScroll3_Change() {
    showValue(m_maxCountBox, m_maxCount->value());
}
void SettingsScreen::HScroll1_Scroll() {
    showValue(m_blinkTimeBox, m_blinkTime->sliderPosition());
}
void SettingsScreen::HScroll2_Scroll() {
    showValue(m_minCountBox, m_minCount->sliderPosition());
}
void SettingsScreen::HScroll3_Scroll() {
    showValue(m_maxCountBox, m_maxCount->sliderPosition());
}

void SettingsScreen::showValue(QLabel* box, int value) {
    box->setText(fullWidthNumber(value));
}

void SettingsScreen::Command1_Click() {
    if (m_maxCount->value() < m_minCount->value()) {
        showWarning(this, QStringLiteral("最小個数が最大個数を超えています！"),
                    QStringLiteral("個数の変更"));
        return;
    }
    // A round of different characters needs as many pictures as it may show characters. An empty
    // selection plays every picture, so the pictures a round can draw from are what counts.
    if (m_state.PlayablePictures().size() < m_maxCount->value() && m_options[9]->isChecked()) {
        showWarning(this, QStringLiteral("キャラの数が足りません！同一にしてください"),
                    QStringLiteral("キャラの種類変更"));
        return;
    }
    ApplySettings();
    returnToGame();
}

void SettingsScreen::Command2_Click() {
    returnToGame();
}

void SettingsScreen::ApplySettings() {
    GameSettings& s = m_state.Settings;
    for (qint16 way = CountWay::AnyOrder; way <= CountWay::NoCounting; ++way) {
        if (m_options[1 + way]->isChecked())
            s.CountMode = way;
    }
    const bool clickToCount = m_options[7]->isChecked();
    const bool mixedCharacters = m_options[9]->isChecked();
    const bool askHowManyPeople = m_options[11]->isChecked();
    const bool hideCursor = m_options[13]->isChecked();
    const auto blinkTime = qint16(m_blinkTime->value());
    const auto minCount = qint16(m_minCount->value());
    const auto maxCount = qint16(m_maxCount->value());

    // CountMode already holds the new way, so a change of way shows against EntryCountMode.
    const bool changed = s.CountMode != EntryCountMode || s.MaxCount != maxCount ||
                         s.MinCount != minCount || s.BlinkTime != blinkTime ||
                         s.HideCursor != hideCursor || s.AskHowManyPeople != askHowManyPeople ||
                         s.MixedCharacters != mixedCharacters || s.ClickToCount != clickToCount;
    if (!changed)
        return;

    s.ClickToCount = clickToCount;
    s.MixedCharacters = mixedCharacters;
    s.AskHowManyPeople = askHowManyPeople;
    s.HideCursor = hideCursor;
    s.BlinkTime = blinkTime;
    s.MinCount = minCount;
    s.MaxCount = maxCount;
    // A folder that cannot be written, or a full disk, must not lose the game: the new settings
    // play for this run, the old file stays whole, and the adult is told.
    if (!SaveSettings(m_state.DataFolder, s)) {
        showWarning(this, QStringLiteral("設定を保存できませんでした！"),
                    QStringLiteral("設定の保存"));
    }
}
