#include "screens/settings_screen.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>

#include <algorithm>

#include "screens/screen_layouts.h"
#include "screens/omakase_words.h"
#include "screens/screen_parts.h"
#include "state/settings_file.h"
#include "ui/message_box.h"

using namespace ScreenParts;
namespace Layout = SettingsLayout;

namespace {
// Room a control inside a group keeps from the group's right edge.
constexpr int kGroupInnerMargin = 3;

QGroupBox* makeGroup(QWidget* window, const char* name, const QString& caption,
                     const DesignBox& place) {
    auto* group = new GroupBox(caption, window);
    group->setObjectName(QString::fromLatin1(name));
    group->setGeometry(toPixels(place));
    return group;
}

// An option button of `group`. Each group is one set of choices: choosing a button clears the
// others of its group only.
QRadioButton* makeOption(QGroupBox* group, QButtonGroup* choices, const char* name,
                         const QString& caption, const DesignBox& place) {
    auto* option = new QRadioButton(caption, group);
    option->setObjectName(QString::fromLatin1(name));
    option->setGeometry(toPixels(place));
    // The buttons grow to the height the toolkit's round indicator needs, about their middle and
    // still inside their group. The captions of "かぞえ方" were drawn to the width of
    // "ＭＳ Ｐゴシック"; with a wider face they grow to the group's edge, and only if that is not
    // enough does the text shrink.
    fitCaption(option, option->x(), group->width() - kGroupInnerMargin, Anchor::Left);
    choices->addButton(option);
    return option;
}

QScrollBar* makeScrollBar(QGroupBox* group, const char* name, int maximum, int designValue,
                          const DesignBox& place) {
    auto* bar = new QScrollBar(Qt::Horizontal, group);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setGeometry(toPixels(place));
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

QLabel* makeLabel(QGroupBox* group, const char* name, const QString& caption,
                  const DesignBox& place) {
    auto* label = new QLabel(caption, group);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(toPixels(place));
    return label;
}

// A value box: white, a single-line border, empty until the screen is loaded.
QLabel* makeValueBox(QGroupBox* group, const char* name, const DesignBox& place) {
    QLabel* box = makeLabel(group, name, QString(), place);
    box->setFrameStyle(QFrame::Box | QFrame::Plain);
    box->setLineWidth(1);
    box->setAutoFillBackground(true);
    QPalette colours = box->palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, Qt::black);
    box->setPalette(colours);
    return box;
}

void showValue(QLabel* box, int value) {
    box->setText(fullWidthNumber(value));
}
}  // namespace

SettingsScreen::SettingsScreen(SharedState& state, std::function<void()> returnToGame,
                               QWidget* parent)
    : AdultScreen(QStringLiteral("settingsScreen"), QStringLiteral("カード選び"), Layout::kWidth,
                  Layout::kHeight, std::move(returnToGame), parent),
      m_state(state) {
    buildControls();
}

void SettingsScreen::buildControls() {
    // Created first, so it lies beneath everything else.
    auto* outline = new WindowOutline(this);
    outline->setGeometry(toPixels(Layout::outline));
    const int insideLeft = outline->x() + 4;
    const int insideRight = outline->geometry().right() - 4;

    QGroupBox* countWayGroup =
        makeGroup(this, "countWayGroup", QStringLiteral("かぞえ方"), Layout::countWayGroup);
    QGroupBox* blinkTimeGroup =
        makeGroup(this, "blinkTimeGroup", QStringLiteral("キャラ点滅時間"), Layout::blinkTimeGroup);
    QGroupBox* minimumCountGroup =
        makeGroup(this, "minimumCountGroup", QStringLiteral("最小個数"), Layout::minimumCountGroup);
    QGroupBox* maximumCountGroup =
        makeGroup(this, "maximumCountGroup", QStringLiteral("最大個数"), Layout::maximumCountGroup);
    QGroupBox* touchGroup =
        makeGroup(this, "touchGroup", QStringLiteral("タッチの方法"), Layout::touchGroup);
    QGroupBox* characterKindGroup = makeGroup(
        this, "characterKindGroup", QStringLiteral("キャラの種類"), Layout::characterKindGroup);
    QGroupBox* pointerGroup =
        makeGroup(this, "pointerGroup", QStringLiteral("マウスカーソル表示"), Layout::pointerGroup);
    QGroupBox* questionGroup =
        makeGroup(this, "questionGroup", QStringLiteral("発問の仕方"), Layout::questionGroup);

    const auto choices = [this] {
        auto* group = new QButtonGroup(this);
        group->setExclusive(true);
        return group;
    };
    m_countWayGroup = choices();
    m_countWays[CountWay::AnyOrder] =
        makeOption(countWayGroup, m_countWayGroup, "countWayAnyOrder",
                   QStringLiteral("どこからでもＯＫ"), Layout::countWayAnyOrder);
    m_countWays[CountWay::FromLeft] =
        makeOption(countWayGroup, m_countWayGroup, "countWayFromLeft",
                   QStringLiteral("左から順に（誤訂正無し）"), Layout::countWayFromLeft);
    m_countWays[CountWay::FromLeftCorrected] =
        makeOption(countWayGroup, m_countWayGroup, "countWayFromLeftCorrected",
                   QStringLiteral("左から順に（誤訂正有り）"), Layout::countWayFromLeftCorrected);
    m_countWays[CountWay::FromLeftBlinking] =
        makeOption(countWayGroup, m_countWayGroup, "countWayFromLeftBlinking",
                   QStringLiteral("左から順に（数字点滅）"), Layout::countWayFromLeftBlinking);
    m_countWays[CountWay::NoCounting] =
        makeOption(countWayGroup, m_countWayGroup, "countWayNoCounting",
                   QStringLiteral("かぞえ無し"), Layout::countWayNoCounting);
    QButtonGroup* touchChoices = choices();
    m_touchByPointer = makeOption(touchGroup, touchChoices, "touchByPointer",
                                  QStringLiteral("触れるだけ"), Layout::touchByPointer);
    m_touchByClick = makeOption(touchGroup, touchChoices, "touchByClick",
                                QStringLiteral("クリックする"), Layout::touchByClick);
    QButtonGroup* characterKindChoices = choices();
    m_sameCharacters = makeOption(characterKindGroup, characterKindChoices, "sameCharacters",
                                  QStringLiteral("同一"), Layout::sameCharacters);
    m_variousCharacters = makeOption(characterKindGroup, characterKindChoices, "variousCharacters",
                                     QStringLiteral("いろいろ"), Layout::variousCharacters);
    QButtonGroup* questionChoices = choices();
    m_askHowMany = makeOption(questionGroup, questionChoices, "askHowMany",
                              QStringLiteral("いくつかな"), Layout::askHowMany);
    m_askHowManyPeople = makeOption(questionGroup, questionChoices, "askHowManyPeople",
                                    QStringLiteral("なんにんかな"), Layout::askHowManyPeople);
    QButtonGroup* pointerChoices = choices();
    m_pointerShown = makeOption(pointerGroup, pointerChoices, "pointerShown",
                                QStringLiteral("有り"), Layout::pointerShown);
    m_pointerHidden = makeOption(pointerGroup, pointerChoices, "pointerHidden",
                                 QStringLiteral("無し"), Layout::pointerHidden);

    m_blinkTimeBar = makeScrollBar(blinkTimeGroup, "blinkTimeBar", SettingRange::MaxBlinkTime, 5,
                                   Layout::blinkTimeBar);
    QLabel* blinkTimeFactor = makeLabel(blinkTimeGroup, "blinkTimeFactor",
                                        QStringLiteral("０．１×"), Layout::blinkTimeFactor);
    m_blinkTimeValue = makeValueBox(blinkTimeGroup, "blinkTimeValue", Layout::blinkTimeValue);
    QLabel* blinkTimeUnit =
        makeLabel(blinkTimeGroup, "blinkTimeUnit", QStringLiteral("秒"), Layout::blinkTimeUnit);
    m_minimumCountBar = makeScrollBar(minimumCountGroup, "minimumCountBar",
                                      SettingRange::MaxCharacters, 1, Layout::countBar);
    m_minimumCountValue = makeValueBox(minimumCountGroup, "minimumCountValue", Layout::countValue);
    m_maximumCountBar = makeScrollBar(maximumCountGroup, "maximumCountBar",
                                      SettingRange::MaxCharacters, 1, Layout::countBar);
    m_maximumCountValue = makeValueBox(maximumCountGroup, "maximumCountValue", Layout::countValue);
    // "０．１×" is four full-width characters wide in the stand-in faces, wider than its design
    // box: it grows to the left, towards the group's edge, so that it still ends before the value.
    fitCaption(blinkTimeFactor, 8, m_blinkTimeValue->x() - 2, Anchor::Left);
    fitCaption(blinkTimeUnit, blinkTimeUnit->x(), blinkTimeGroup->width() - kGroupInnerMargin,
               Anchor::Left);
    for (QLabel* box : {m_blinkTimeValue, m_minimumCountValue, m_maximumCountValue}) {
        // Sized for "４０", the widest value; only the height may need to grow.
        box->setText(fullWidthNumber(SettingRange::MaxBlinkTime));
        fitCaption(box, box->x(), box->x() + box->width(), Anchor::Left);
        box->clear();
    }

    auto* cancelButton = new ScreenButton(QStringLiteral("キャンセル"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setGeometry(toPixels(Layout::cancelButton));
    auto* applyButton = new ScreenButton(QStringLiteral("実行"), this);
    applyButton->setObjectName(QStringLiteral("applyButton"));
    applyButton->setGeometry(toPixels(Layout::applyButton));
    // "キャンセル" is a little too wide for its button in the stand-in faces: the button widens
    // about its centre by a few pixels, into the gap between the two buttons.
    fitCaption(cancelButton, maximumCountGroup->x(), applyButton->x() - 6, Anchor::Centre);
    fitCaption(applyButton, cancelButton->geometry().right() + 6, insideRight, Anchor::Centre);

    // The title sizes itself to its text, about its centre (the window's middle).
    QLabel* title = makeTitle(QStringLiteral("かぞえよう設定"), this);
    title->setObjectName(QStringLiteral("title"));
    title->setGeometry(toPixels(Layout::title));
    fitCaption(title, insideLeft, insideRight, Anchor::Centre);
    // A taller face would push the title into the groups below: it keeps their distance.
    if (title->geometry().bottom() >= countWayGroup->y()) {
        title->move(title->x(), std::max(outline->y() + 2, countWayGroup->y() - title->height()));
    }

    QLabel* credit = makeCreditLine(this);
    credit->setObjectName(QStringLiteral("credit"));
    credit->setGeometry(toPixels(Layout::credit));
    fitCaption(credit, maximumCountGroup->x(), insideRight, Anchor::Centre);

    // Each value box shows its bar's value, and follows the thumb while it is dragged, even before
    // the value itself changes.
    const auto showValueOf = [this](QScrollBar* bar, QLabel* box) {
        const auto show = [box](int value) { showValue(box, value); };
        connect(bar, &QScrollBar::valueChanged, this, show);
        connect(bar, &QScrollBar::sliderMoved, this, show);
    };
    showValueOf(m_blinkTimeBar, m_blinkTimeValue);
    showValueOf(m_minimumCountBar, m_minimumCountValue);
    showValueOf(m_maximumCountBar, m_maximumCountValue);
    m_omakaseLine = new QLabel(this);
    m_omakaseLine->setObjectName(QStringLiteral("omakaseLine"));
    m_omakaseLine->setGeometry(toPixels(Layout::omakaseLine));
    m_omakaseLine->setWordWrap(true);
    QFont small = m_omakaseLine->font();
    small.setPixelSize(std::max(8, m_omakaseLine->height() / 3));
    m_omakaseLine->setFont(small);
    m_omakaseLine->hide();
    connect(applyButton, &QPushButton::clicked, this, [this] { apply(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancel(); });

    // The keyboard order of the original design: not row by row, but as the controls were added.
    setTabChain({m_countWays[CountWay::AnyOrder], m_countWays[CountWay::FromLeft], applyButton,
                 cancelButton, m_countWays[CountWay::FromLeftCorrected],
                 m_countWays[CountWay::FromLeftBlinking], m_blinkTimeBar, m_minimumCountBar,
                 m_maximumCountBar, m_countWays[CountWay::NoCounting], m_touchByPointer,
                 m_touchByClick, m_sameCharacters, m_variousCharacters, m_askHowMany,
                 m_askHowManyPeople, m_pointerShown, m_pointerHidden});
    m_countWays[CountWay::AnyOrder]->setFocus();
}

void SettingsScreen::setOmakaseChild(const QString& name) {
    m_omakaseLine->setText(OmakaseWords::settingsLine(name));
    m_omakaseLine->setVisible(!name.isEmpty());
}

void SettingsScreen::load() {
    const GameSettings& s = m_state.settings;
    m_countWayOnEntry = s.countWay;

    // A hand-edited "Pimo.txt" may hold a value outside a bar's range: the bar shows the nearest
    // end of its range, and "実行" then keeps the value shown.
    m_blinkTimeBar->setValue(s.blinkTime);
    m_minimumCountBar->setValue(s.minCount);
    m_maximumCountBar->setValue(s.maxCount);
    // A bar set to the value it already holds says nothing, yet its box must show it.
    showBarValues();

    (s.clickToCount ? m_touchByClick : m_touchByPointer)->setChecked(true);
    (s.mixedCharacters ? m_variousCharacters : m_sameCharacters)->setChecked(true);
    (s.askHowManyPeople ? m_askHowManyPeople : m_askHowMany)->setChecked(true);
    (s.hidePointer ? m_pointerHidden : m_pointerShown)->setChecked(true);

    if (s.countWay >= CountWay::AnyOrder && s.countWay <= CountWay::NoCounting) {
        m_countWays[s.countWay]->setChecked(true);
    } else {
        // A counting way the screen does not know: no button chosen, and "実行" leaves it as is
        // unless the user chooses one.
        m_countWayGroup->setExclusive(false);
        for (QAbstractButton* option : m_countWayGroup->buttons())
            option->setChecked(false);
        m_countWayGroup->setExclusive(true);
    }
}

void SettingsScreen::showBarValues() {
    showValue(m_blinkTimeValue, m_blinkTimeBar->value());
    showValue(m_minimumCountValue, m_minimumCountBar->value());
    showValue(m_maximumCountValue, m_maximumCountBar->value());
}

void SettingsScreen::apply() {
    if (m_maximumCountBar->value() < m_minimumCountBar->value()) {
        showWarning(this, QStringLiteral("最小個数が最大個数を超えています！"),
                    QStringLiteral("個数の変更"));
        return;
    }
    // A round of different characters needs as many pictures as it may show characters. An empty
    // selection plays every picture, so the pictures a round can draw from are what counts.
    if (m_state.playablePictures().size() < m_maximumCountBar->value() &&
        m_variousCharacters->isChecked()) {
        showWarning(this, QStringLiteral("キャラの数が足りません！同一にしてください"),
                    QStringLiteral("キャラの種類変更"));
        return;
    }
    applySettings();
    returnToGame();
}

void SettingsScreen::cancel() {
    returnToGame();
}

void SettingsScreen::applySettings() {
    GameSettings& s = m_state.settings;
    for (qint16 way = CountWay::AnyOrder; way <= CountWay::NoCounting; ++way) {
        if (m_countWays[way]->isChecked())
            s.countWay = way;
    }
    const bool clickToCount = m_touchByClick->isChecked();
    const bool mixedCharacters = m_variousCharacters->isChecked();
    const bool askHowManyPeople = m_askHowManyPeople->isChecked();
    const bool hidePointer = m_pointerHidden->isChecked();
    const auto blinkTime = qint16(m_blinkTimeBar->value());
    const auto minCount = qint16(m_minimumCountBar->value());
    const auto maxCount = qint16(m_maximumCountBar->value());

    // countWay already holds the new way, so a change of way shows against m_countWayOnEntry.
    const bool changed = s.countWay != m_countWayOnEntry || s.maxCount != maxCount ||
                         s.minCount != minCount || s.blinkTime != blinkTime ||
                         s.hidePointer != hidePointer || s.askHowManyPeople != askHowManyPeople ||
                         s.mixedCharacters != mixedCharacters || s.clickToCount != clickToCount;
    if (!changed)
        return;

    s.clickToCount = clickToCount;
    s.mixedCharacters = mixedCharacters;
    s.askHowManyPeople = askHowManyPeople;
    s.hidePointer = hidePointer;
    s.blinkTime = blinkTime;
    s.minCount = minCount;
    s.maxCount = maxCount;
    // A folder that cannot be written, or a full disk, must not lose the game: the new settings
    // play for this run, the old file stays whole, and the adult is told.
    if (!saveSettings(m_state.dataFolder, s)) {
        showWarning(this, QStringLiteral("設定を保存できませんでした！"),
                    QStringLiteral("設定の保存"));
    }
}
