#pragma once

#include <QWidget>

#include <array>
#include <functional>

#include "state/shared_state.h"

class QButtonGroup;
class QCloseEvent;
class QLabel;
class QRadioButton;
class QScrollBar;

// The settings screen (H on the game screen): the eight game settings as option buttons and
// scroll bars. "実行" checks the entries, keeps what changed in memory and in "Pimo.txt" and
// goes back to the game; "キャンセル" goes back without keeping anything.
class SettingsScreen : public QWidget {
public:
    SettingsScreen(SharedState& state, std::function<void()> returnToGame,
                   QWidget* parent = nullptr);

    // Shows the screen (centred the first time), brings it to the front and loads its controls.
    void open();

    // Loads every control from the stored settings; entries left from an earlier visit go.
    void Form_Activate();

    // The counting way as it stood when the screen was last loaded.
    qint16 EntryCountMode = 0;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void HScroll1_Change();
    void HScroll2_Change();
    void HScroll3_Change();
    void HScroll1_Scroll();
    void HScroll2_Scroll();
    void HScroll3_Scroll();
    static void showValue(QLabel* box, int value);
    void Command1_Click();
    void Command2_Click();
    void ApplySettings();
    void setPair(int falseOption, int trueOption, bool value);

    SharedState& m_state;
    std::function<void()> m_returnToGame;
    bool m_placed = false;

    // Option1 .. Option13 at indices 1 .. 13 (index 0 unused).
    std::array<QRadioButton*, 14> m_options{};
    QButtonGroup* m_countWays = nullptr;
    QScrollBar* m_blinkTime = nullptr;  // HScroll1
    QScrollBar* m_minCount = nullptr;   // HScroll2
    QScrollBar* m_maxCount = nullptr;   // HScroll3
    QLabel* m_blinkTimeBox = nullptr;   // Label4
    QLabel* m_minCountBox = nullptr;    // Label6
    QLabel* m_maxCountBox = nullptr;    // Label7
};
