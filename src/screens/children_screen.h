#pragma once

#include <functional>

#include "record/record_problem.h"
#include "screens/screen_parts.h"
#include "state/shared_state.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class Children;
class ThumbnailDelegate;

// The children screen (C on the game screen): the children whose rounds are recorded, each with
// a name in kana and a mark chosen from the character pictures. "追加" adds the name and mark
// entered, "変更" gives the chosen child the name and mark entered, "削除" removes the chosen
// child and their record (it asks to be pressed a second time first), "閉じる" goes back. Each
// change is kept in the record at once; so is "おまかせ", on or off for the chosen child (the game
// then chooses their number of characters and counting way); what goes wrong shows in the message line.
class ChildrenScreen : public ScreenParts::AdultScreen {
public:
    ChildrenScreen(Children& children, const SharedState& state, std::function<void()> returnToGame,
                   QWidget* parent = nullptr);

    // Lists the children and the pictures anew; the entries start empty.
    void load() override;
    // "クラス": opens the class screen (the program sets it).
    std::function<void()> openClass;

private:
    void buildControls();
    void listChildren(qint64 chosenId);
    void childChosen();
    void add();
    void change();
    void remove();
    void setOmakase(bool on);
    void showOmakase();
    void cancel() override;
    void say(const QString& message, bool problem);
    void sayProblem(const ChildProblem& problem);
    QString chosenMark() const;
    qint64 chosenChild() const;

    Children& m_children;
    const SharedState& m_state;
    QListWidget* m_childList = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QCheckBox* m_omakaseBox = nullptr;
    QListWidget* m_markList = nullptr;
    ThumbnailDelegate* m_markThumbnails = nullptr;
    ThumbnailDelegate* m_childThumbnails = nullptr;
    ScreenParts::MessageLine* m_messageLine = nullptr;
    qint64 m_removeAsked = 0;  // the child "削除" was pressed for once; 0: none
};
