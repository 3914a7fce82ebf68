#include "screens/class_screen.h"

#include <QDateTime>
#include <QLabel>
#include <QLineEdit>

#include "classroom/class_membership.h"
#include "screens/screen_layouts.h"

using namespace ScreenParts;
namespace Layout = ClassLayout;

namespace {
const QString kOlderServer = QStringLiteral(
    "サーバーの記録は前のゲームのものです。サーバーでクラスの準備"
    "（classroom_server.sh）をもういちど行ってください。");

// What joining came to, for the adult.
QString joinWords(const ClassJoin::Outcome& outcome) {
    switch (outcome.kind) {
        case ClassJoin::Outcome::Joined:
            return QStringLiteral("クラスに参加しました。このパソコンの回をおくります。");
        case ClassJoin::Outcome::BadCode:
            return QStringLiteral(
                "コードが読めません。サーバーの準備で表示されたとおりに入れてください。");
        case ClassJoin::Outcome::Unreachable:
            return QStringLiteral(
                "サーバーにつながりません。ネットワークとコードの場所"
                "（はじめの「:」まで）をたしかめてください。");
        case ClassJoin::Outcome::NotThatServer:
            return QStringLiteral(
                "つながった先は、コードのサーバーではありません。"
                "なにも送っていません。コードをたしかめてください。");
        case ClassJoin::Outcome::Refused:
            return QStringLiteral(
                "サーバーがパスワードをうけつけません。コードをたしかめてください。");
        case ClassJoin::Outcome::Newer:
            return QStringLiteral(
                "サーバーの記録は新しいゲームのものです。ゲームを新しくしてください。");
        case ClassJoin::Outcome::Older:
            return kOlderServer;
        case ClassJoin::Outcome::Failed:
            break;
    }
    return QStringLiteral("参加できませんでした。");
}

}  // namespace

QString ClassScreen::sendWords(const SendNews& news, bool* problem) {
    bool ignored = false;
    if (problem == nullptr)
        problem = &ignored;
    *problem = news.kind != SendNews::Sent;
    switch (news.kind) {
        case SendNews::Sent:
            if (news.setAside > 0) {
                *problem = true;
                return QStringLiteral(
                           "サーバーがうけとらない回：%1（このパソコンの記録にのこっています）。")
                           .arg(news.setAside) +
                       (news.waiting > 0
                            ? QStringLiteral("おくるのをまっている回：%1").arg(news.waiting)
                            : QString());
            }
            return news.waiting > 0 ? QStringLiteral("おくるのをまっている回：%1").arg(news.waiting)
                                    : QStringLiteral("このパソコンの回は、すべておくりました。");
        case SendNews::Away:
            return QStringLiteral(
                       "いまはサーバーにつながりません。つながったらおくります"
                       "（まっている回：%1）。")
                .arg(news.waiting);
        case SendNews::Refused:
            return QStringLiteral(
                "サーバーがパスワードをうけつけません。コードを入れなおしてください。");
        case SendNews::Certificate:
            return QStringLiteral(
                "サーバーの証明書がちがいます。なにも送っていません。"
                "コードを入れなおしてください。");
        case SendNews::Newer:
            return QStringLiteral(
                "サーバーの記録は新しいゲームのものです。ゲームを新しくしてください。");
        case SendNews::Older:
            return kOlderServer;
        case SendNews::Failed:
            break;
    }
    return QStringLiteral("サーバーが回をうけとりませんでした。あとでまたおくります。");
}

QString ClassScreen::problemForTheAdult(const SendNews& news) {
    bool problem = false;
    const QString words = sendWords(news, &problem);
    const bool needsTheAdult = news.kind == SendNews::Refused ||
                               news.kind == SendNews::Certificate || news.kind == SendNews::Newer ||
                               news.kind == SendNews::Older;
    return needsTheAdult ? QStringLiteral("クラスの記録：") + words +
                               QStringLiteral("\n（こどもの登録の「クラス」から）")
                         : QString();
}

QString ClassScreen::whereFiguresComeFrom(const ClassMembership& membership) {
    if (!membership.joined())
        return QStringLiteral("このパソコンで遊んだ回の記録です。");
    const std::optional<qint64> reached = membership.lastReached();
    const QString when =
        reached ? QDateTime::fromMSecsSinceEpoch(*reached).toString(QStringLiteral("M/d H:mm"))
                : QString();
    const std::optional<SendNews> news = membership.lastNews();
    if (news && news->kind == SendNews::Sent)
        return QStringLiteral("クラスの記録：どのパソコンの回もふくみます（%1 にとりこみ）。")
            .arg(when);
    return reached ? QStringLiteral(
                         "サーバーにつながりません。%1 までにとりこんだクラスの回と、"
                         "このパソコンの回です。")
                         .arg(when)
                   : QStringLiteral("サーバーにまだつながっていません。このパソコンの回です。");
}

ClassScreen::ClassScreen(ClassMembership& membership, std::function<void()> returnToGame,
                         QWidget* parent)
    : AdultScreen(QStringLiteral("classScreen"), QStringLiteral("クラスの記録"), Layout::kWidth,
                  Layout::kHeight, std::move(returnToGame), parent),
      m_membership(membership) {
    buildControls();
    m_membership.listen([this] {
        if (isVisible() && !m_membership.joining())
            tell();
    });
}

void ClassScreen::buildControls() {
    auto* outline = new WindowOutline(this);
    outline->setGeometry(toPixels(Layout::outline));
    QLabel* title = makeTitle(QStringLiteral("クラスの記録"), this);
    title->setObjectName(QStringLiteral("title"));
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title->setGeometry(toPixels(Layout::title));
    fitCaption(title, outline->x() + 4, outline->geometry().right() - 4, Anchor::Left);

    QLabel* explanation = makeLabel(
        this, "explanation",
        QStringLiteral("学校のサーバーで、クラスのこどもと記録をひとつにまとめます。"
                       "サーバーの準備で表示された「つなぎかたのコード」を入れて「参加」を"
                       "押してください。"),
        Layout::explanation);
    explanation->setWordWrap(true);
    explanation->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    makeLabel(this, "codeLabel", QStringLiteral("つなぎかたのコード"), Layout::codeLabel);
    m_codeEdit = new QLineEdit(this);
    m_codeEdit->setObjectName(QStringLiteral("codeEdit"));
    m_codeEdit->setGeometry(toPixels(Layout::codeEdit));
    m_codeEdit->setPlaceholderText(
        QStringLiteral("れい：192.168.1.10:5432/kazoemashou/abcd-efgh-jkmn/3f2a-91bc-04de-77aa"));
    m_messageLine = new MessageLine(this, toPixels(Layout::messageLine));

    m_joinButton = makeButton(this, "joinButton", QStringLiteral("参加"), Layout::joinButton);
    ScreenButton* leaveButton =
        makeButton(this, "leaveButton", QStringLiteral("ぬける"), Layout::leaveButton);
    ScreenButton* closeButton =
        makeButton(this, "closeButton", QStringLiteral("閉じる"), Layout::closeButton);
    for (QWidget* button : {static_cast<QWidget*>(m_joinButton), static_cast<QWidget*>(leaveButton),
                            static_cast<QWidget*>(closeButton)})
        fitCaption(button, button->x() - 4, button->geometry().right() + 4, Anchor::Centre);
    connect(m_codeEdit, &QLineEdit::returnPressed, this, [this] { join(); });
    connect(m_joinButton, &QPushButton::clicked, this, [this] { join(); });
    connect(leaveButton, &QPushButton::clicked, this, [this] { leave(); });
    connect(closeButton, &QPushButton::clicked, this, [this] { cancel(); });
    setTabChain({m_codeEdit, m_joinButton, leaveButton, closeButton});
}

void ClassScreen::load() {
    m_codeEdit->clear();
    m_codeEdit->setFocus();
    m_leaveAsked = false;
    tell();
}

void ClassScreen::join() {
    if (m_membership.joining())
        return;
    m_leaveAsked = false;
    m_joinButton->setEnabled(false);
    tell(QStringLiteral("サーバーにつないでいます…"));
    m_membership.join(m_codeEdit->text(), [this](const ClassJoin::Outcome& outcome) {
        m_joinButton->setEnabled(true);
        const bool joined = outcome.kind == ClassJoin::Outcome::Joined;
        if (joined)
            m_codeEdit->clear();  // the password is not left on the screen
        tell(joinWords(outcome), !joined);
    });
}

void ClassScreen::leave() {
    if (!m_membership.joined()) {
        tell();
        return;
    }
    if (!std::exchange(m_leaveAsked, true)) {
        tell(QStringLiteral("もう一度「ぬける」を押すと、このパソコンはクラスからぬけます。"
                            "このパソコンの記録はのこります。"),
             true);
        return;
    }
    m_leaveAsked = false;
    if (!m_membership.leave())
        tell(QStringLiteral("つなぎかたをけせませんでした。"), true);
    else
        tell(QStringLiteral("クラスからぬけました。このパソコンの記録はのこっています。"));
}

void ClassScreen::cancel() {
    returnToGame();
}

void ClassScreen::tell(const QString& message, bool problem) {
    QString shown = message;
    if (shown.isEmpty() && !m_membership.joined()) {
        shown = QStringLiteral("クラスに参加していません。記録はこのパソコンだけにあります。");
    } else if (shown.isEmpty()) {
        shown = QStringLiteral("クラスの記録（%1）に参加しています。").arg(m_membership.server());
        if (const std::optional<SendNews> news = m_membership.lastNews())
            shown += QLatin1Char('\n') + sendWords(*news, &problem);
    }
    problem ? m_messageLine->sayProblem(shown) : m_messageLine->say(shown);
}
