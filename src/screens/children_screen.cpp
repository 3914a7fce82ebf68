#include "screens/children_screen.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "record/children.h"
#include "screens/record_words.h"
#include "screens/screen_layouts.h"
#include "screens/thumbnails.h"

using namespace ScreenParts;
namespace Layout = ChildrenLayout;

namespace {
constexpr int kIdRole = Qt::UserRole + 2;
constexpr int kMarkRole = Qt::UserRole + 3;
constexpr int kOmakaseRole = Qt::UserRole + 4;

// A list of pictures with their thumbnails, read as their rows are first drawn.
QListWidget* makePictureList(QWidget* window, const char* name, const DesignBox& place,
                             ThumbnailDelegate** thumbnails) {
    auto* list = new QListWidget(window);
    list->setObjectName(QString::fromLatin1(name));
    list->setGeometry(toPixels(place));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    list->setIconSize(QSize(ThumbnailDelegate::kSide, ThumbnailDelegate::kSide));
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setTextElideMode(Qt::ElideMiddle);
    *thumbnails = new ThumbnailDelegate(list);
    list->setItemDelegate(*thumbnails);
    return list;
}
}  // namespace

ChildrenScreen::ChildrenScreen(Children& children, const SharedState& state,
                               std::function<void()> returnToGame, QWidget* parent)
    : AdultScreen(QStringLiteral("childrenScreen"), QStringLiteral("こどもの登録"), Layout::kWidth,
                  Layout::kHeight, std::move(returnToGame), parent),
      m_children(children),
      m_state(state) {
    buildControls();
}

void ChildrenScreen::buildControls() {
    auto* outline = new WindowOutline(this);
    outline->setGeometry(toPixels(Layout::outline));
    const int insideLeft = outline->x() + 4;
    const int insideRight = outline->geometry().right() - 4;

    QLabel* title = makeTitle(QStringLiteral("こどもの登録"), this);
    title->setObjectName(QStringLiteral("title"));
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title->setGeometry(toPixels(Layout::title));
    fitCaption(title, insideLeft, insideRight, Anchor::Left);

    makeLabel(this, "childLabel", QStringLiteral("こども"), Layout::childLabel);
    m_childList = makePictureList(this, "childList", Layout::childList, &m_childThumbnails);
    makeLabel(this, "nameLabel", QStringLiteral("なまえ（ひらがなかカタカナ）"), Layout::nameLabel);
    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setObjectName(QStringLiteral("nameEdit"));
    m_nameEdit->setGeometry(toPixels(Layout::nameEdit));
    m_nameEdit->setMaxLength(Children::kLongestName * 2);
    m_nameEdit->setPlaceholderText(QStringLiteral("れい：ゆうと"));
    m_omakaseBox = new QCheckBox(QStringLiteral("おまかせ"), this);
    m_omakaseBox->setObjectName(QStringLiteral("omakaseBox"));
    m_omakaseBox->setGeometry(toPixels(Layout::omakaseBox));
    m_omakaseBox->setToolTip(QStringLiteral("かずとかぞえ方を、その子の記録からゲームが決めます"));
    m_omakaseBox->setEnabled(false);
    makeLabel(this, "markLabel", QStringLiteral("マーク（キャラを１つえらぶ）"), Layout::markLabel);
    m_markList = makePictureList(this, "markList", Layout::markList, &m_markThumbnails);

    m_messageLine = new MessageLine(this, toPixels(Layout::messageLine));

    ScreenButton* addButton =
        makeButton(this, "addButton", QStringLiteral("追加"), Layout::addButton);
    ScreenButton* changeButton =
        makeButton(this, "changeButton", QStringLiteral("変更"), Layout::changeButton);
    ScreenButton* removeButton =
        makeButton(this, "removeButton", QStringLiteral("削除"), Layout::removeButton);
    ScreenButton* closeButton =
        makeButton(this, "closeButton", QStringLiteral("閉じる"), Layout::closeButton);
    for (QWidget* button : {addButton, changeButton, removeButton, closeButton})
        fitCaption(button, button->x() - 4, button->geometry().right() + 4, Anchor::Centre);

    QLabel* credit = makeCreditLine(this);
    credit->setObjectName(QStringLiteral("credit"));
    credit->setGeometry(toPixels(Layout::credit));
    fitCaption(credit, insideLeft, addButton->x() - 6, Anchor::Centre);

    connect(m_childList, &QListWidget::itemSelectionChanged, this, [this] { childChosen(); });
    connect(m_nameEdit, &QLineEdit::returnPressed, this,
            [this] { chosenChild() != 0 ? change() : add(); });
    connect(m_omakaseBox, &QCheckBox::clicked, this, [this](bool on) { setOmakase(on); });
    connect(addButton, &QPushButton::clicked, this, [this] { add(); });
    connect(changeButton, &QPushButton::clicked, this, [this] { change(); });
    connect(removeButton, &QPushButton::clicked, this, [this] { remove(); });
    connect(closeButton, &QPushButton::clicked, this, [this] { cancel(); });
    ScreenButton* classButton =
        makeButton(this, "classButton", QStringLiteral("クラス"), Layout::classButton);
    fitCaption(classButton, classButton->x() - 4, classButton->geometry().right() + 4,
               Anchor::Centre);
    connect(classButton, &QPushButton::clicked, this, [this] {
        if (openClass)
            openClass();
    });

    setTabChain({m_childList, m_nameEdit, m_omakaseBox, m_markList, addButton, changeButton,
                 removeButton, closeButton, classButton});
}

void ChildrenScreen::load() {
    // The pictures of the data folder, each a possible mark.
    m_markList->clear();
    for (const QString& file : m_state.characterFiles) {
        auto* item = new QListWidgetItem(file, m_markList);
        item->setData(ThumbnailDelegate::PathRole, m_state.pathOf(file));
    }
    listChildren(0);
    m_nameEdit->clear();
    m_nameEdit->setFocus();
    say(QString(), false);
}

void ChildrenScreen::listChildren(qint64 chosenId) {
    const QSignalBlocker quiet(m_childList);
    m_childList->clear();
    for (const ChildEntry& child : m_children.list()) {
        auto* item = new QListWidgetItem(child.name, m_childList);
        item->setData(kIdRole, child.id);
        item->setData(kMarkRole, child.mark);
        item->setData(kOmakaseRole, child.omakase);
        item->setData(ThumbnailDelegate::PathRole, m_state.pathOf(child.mark));
        if (child.id == chosenId)
            item->setSelected(true);
    }
    m_removeAsked = 0;
    showOmakase();
}

// "おまかせ" shows the chosen child's; with nobody chosen it cannot be changed.
void ChildrenScreen::showOmakase() {
    const QList<QListWidgetItem*> chosen = m_childList->selectedItems();
    m_omakaseBox->setEnabled(!chosen.isEmpty());
    m_omakaseBox->setChecked(!chosen.isEmpty() && chosen.first()->data(kOmakaseRole).toBool());
}

qint64 ChildrenScreen::chosenChild() const {
    const QList<QListWidgetItem*> chosen = m_childList->selectedItems();
    return chosen.isEmpty() ? 0 : chosen.first()->data(kIdRole).toLongLong();
}

QString ChildrenScreen::chosenMark() const {
    const QList<QListWidgetItem*> chosen = m_markList->selectedItems();
    return chosen.isEmpty() ? QString() : chosen.first()->text();
}

// A child chosen in the list: their name and mark come into the entries, to be changed.
void ChildrenScreen::childChosen() {
    m_removeAsked = 0;
    const QList<QListWidgetItem*> chosen = m_childList->selectedItems();
    showOmakase();
    if (chosen.isEmpty())
        return;
    m_nameEdit->setText(chosen.first()->text());
    const QString mark = chosen.first()->data(kMarkRole).toString();
    m_markList->clearSelection();
    for (int i = 0; i < m_markList->count(); ++i) {
        if (m_markList->item(i)->text() == mark) {
            m_markList->item(i)->setSelected(true);
            m_markList->scrollToItem(m_markList->item(i));
        }
    }
    say(QString(), false);
}

void ChildrenScreen::add() {
    qint64 id = 0;
    if (const ChildProblem problem = m_children.add(m_nameEdit->text(), chosenMark(), &id)) {
        sayProblem(problem);
        return;
    }
    listChildren(id);
    const QList<QListWidgetItem*> added = m_childList->selectedItems();
    say(QStringLiteral("「%1」を登録しました。")
            .arg(added.isEmpty() ? QString() : added[0]->text()),
        false);
    m_nameEdit->clear();
    m_markList->clearSelection();
    m_childList->clearSelection();
}

void ChildrenScreen::change() {
    const qint64 id = chosenChild();
    if (id == 0) {
        say(QStringLiteral("変える子を左の一覧から選んでください。"), true);
        return;
    }
    if (const ChildProblem problem = m_children.change(id, m_nameEdit->text(), chosenMark())) {
        sayProblem(problem);
        return;
    }
    listChildren(id);
    say(QStringLiteral("変えました。"), false);
}

void ChildrenScreen::setOmakase(bool on) {
    const qint64 id = chosenChild();
    if (id == 0)
        return;
    if (const ChildProblem problem = m_children.setOmakase(id, on)) {
        m_omakaseBox->setChecked(!on);
        sayProblem(problem);
        return;
    }
    const QString name = m_childList->selectedItems().first()->text();
    m_childList->selectedItems().first()->setData(kOmakaseRole, on);
    say(on ? QStringLiteral("「%1」は「おまかせ」：かずとかぞえ方を記録からゲームが決めます。")
                 .arg(name)
           : QStringLiteral("「%1」は設定画面のかずとかぞえ方であそびます。").arg(name),
        false);
}

// Removing a child removes their record too, so the button must be pressed twice for one child.
void ChildrenScreen::remove() {
    const qint64 id = chosenChild();
    if (id == 0) {
        say(QStringLiteral("消す子を左の一覧から選んでください。"), true);
        return;
    }
    const QString name = m_childList->selectedItems().first()->text();
    if (m_removeAsked != id) {
        m_removeAsked = id;
        say(QStringLiteral("もう一度「削除」を押すと、「%1」とその記録をすべて消します。")
                .arg(name),
            true);
        return;
    }
    if (const ChildProblem problem = m_children.remove(id)) {
        sayProblem(problem);
        return;
    }
    listChildren(0);
    m_nameEdit->clear();
    m_markList->clearSelection();
    say(QStringLiteral("「%1」を消しました。").arg(name), false);
}

void ChildrenScreen::cancel() {
    returnToGame();
}

void ChildrenScreen::say(const QString& message, bool problem) {
    problem ? m_messageLine->sayProblem(message) : m_messageLine->say(message);
}

void ChildrenScreen::sayProblem(const ChildProblem& problem) {
    QString words;
    switch (problem.kind) {
        case ChildProblem::None:
            break;
        case ChildProblem::Name:
            words = problem.name == NameProblem::TooLong
                        ? QStringLiteral("名前は%1文字までです。").arg(Children::kLongestName)
                    : problem.name == NameProblem::NotKana
                        ? QStringLiteral("名前はひらがなかカタカナだけで入れてください。")
                        : QStringLiteral("名前をひらがなかカタカナで入れてください。");
            break;
        case ChildProblem::NoMark:
            words = QStringLiteral("マークにするキャラを選んでください。");
            break;
        case ChildProblem::NameTaken:
            words = QStringLiteral("「%1」はもう登録されています。").arg(problem.keptName);
            break;
        case ChildProblem::TooMany:
            words = QStringLiteral("登録できるのは%1人までです。").arg(Children::kMostChildren);
            break;
        case ChildProblem::Record:
            words = RecordWords::problem(problem.record);
            break;
    }
    say(words, true);
}
