#pragma once

#include "screens/screen_parts.h"

class QLabel;
class QLineEdit;
class QPushButton;
class ClassMembership;
struct SendNews;

// The class screen, "クラスの記録" (from the children screen's "クラス"): the machine joins the
// kindergarten's record on the school's server with the connection code the server's set-up
// printed ("参加"), or leaves it ("ぬける", pressed twice; the rounds on this machine stay). The
// message line says whether the machine is in a class and how its rounds travel there.
class ClassScreen : public ScreenParts::AdultScreen {
public:
    ClassScreen(ClassMembership& membership, std::function<void()> returnToGame,
                QWidget* parent = nullptr);
    void load() override;
    // What the adult must hear of the class when the machine cannot send any more by itself (the
    // password refused, another certificate, a newer server); empty otherwise.
    static QString problemForTheAdult(const SendNews& news);
    // How the sender stands, as the screen says it; `problem`: said in red.
    static QString sendWords(const SendNews& news, bool* problem = nullptr);
    // The line 「きろく」 shows: where its figures come from, and when the class's were fetched.
    static QString whereFiguresComeFrom(const ClassMembership& membership);

private:
    void buildControls();
    void join();
    void leave();
    void cancel() override;
    // The message line: how the machine stands in the class, or `message` when given.
    void tell(const QString& message = {}, bool problem = false);

    ClassMembership& m_membership;
    QLineEdit* m_codeEdit = nullptr;
    ScreenParts::MessageLine* m_messageLine = nullptr;
    QPushButton* m_joinButton = nullptr;
    bool m_leaveAsked = false;
};
