#include "screens/selection_screen.h"

#include <QItemSelection>
#include <QLabel>
#include <QListWidget>
#include <QSet>

#include "screens/screen_parts.h"
#include "screens/thumbnails.h"
#include "state/selection_file.h"
#include "ui/message_box.h"

using namespace ScreenParts;

SelectionScreen::SelectionScreen(SharedState& state, std::function<void()> returnToGame,
                                 QWidget* parent)
    : AdultScreen(QStringLiteral("Form3"), QStringLiteral("Form3"), 5325, 5910,
                  std::move(returnToGame), parent),
      m_state(state) {
    buildControls();
}

void SelectionScreen::buildControls() {
    // Created first, so it lies beneath everything else.
    auto* shape = new FrameRectangle(this);
    shape->setGeometry(toPixels(120, 120, 5055, 5655));
    const int insideLeft = shape->x() + 4;

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("List1"));
    m_list->setGeometry(toPixels(2640, 480, 2295, 4920));
    // A click, or the space bar on the entry with the focus, marks or unmarks that one entry.
    m_list->setSelectionMode(QAbstractItemView::MultiSelection);
    m_list->setUniformItemSizes(true);  // rows are not measured one by one
    m_list->setIconSize(QSize(ThumbnailDelegate::kSide, ThumbnailDelegate::kSide));
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setTextElideMode(Qt::ElideMiddle);  // a long file name keeps its ".gif" in view
    m_thumbnails = new ThumbnailDelegate(m_list);
    m_list->setItemDelegate(m_thumbnails);

    const auto makeButton = [this](const char* name, const QString& caption, int left, int top,
                                   int width, int height) {
        auto* button = new CommandButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(toPixels(left, top, width, height));
        return button;
    };
    CommandButton* command4 =
        makeButton("Command4", QStringLiteral("全解除"), 840, 2280, 1095, 375);
    CommandButton* command3 =
        makeButton("Command3", QStringLiteral("全選択"), 840, 1440, 1095, 375);
    CommandButton* command2 =
        makeButton("Command2", QStringLiteral("キャンセル"), 840, 3120, 1095, 375);
    CommandButton* command1 = makeButton("Command1", QStringLiteral("決定"), 840, 3960, 1095, 495);
    for (QWidget* button : {command1, command2, command3, command4}) {
        fitCaption(button, insideLeft, m_list->x() - 6, Anchor::Centre);
    }

    QLabel* credit = makeCreditLine(this);
    credit->setObjectName(QStringLiteral("Label2"));
    credit->setGeometry(toPixels(480, 5160, 1815, 255));
    // The credit line is wider than its design box in the stand-in faces: it grows about its
    // centre towards the window's frame and the list, and only then takes a smaller size.
    fitCaption(credit, insideLeft, m_list->x() - 4, Anchor::Centre);

    QLabel* title = makeTitle(QStringLiteral("キャラ選択画面"), this);
    title->setObjectName(QStringLiteral("Label1"));
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title->setGeometry(toPixels(360, 600, 2055, 375));
    // Fixed in the design, but a line of the bold face is taller than the 375 twips drawn: it
    // grows about its middle so that no stroke is cut.
    fitCaption(title, insideLeft, m_list->x() - 4, Anchor::Left);

    connect(command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(command4, &QPushButton::clicked, this, [this] { Command4_Click(); });

    // The list first, so it has the keyboard when the window opens; then "決定", "キャンセル",
    // "全選択", "全解除".
    setTabChain({m_list, command1, command2, command3, command4});
    m_list->setFocus();
}

void SelectionScreen::Form_Activate() {
    const QStringList& files = m_state.CharacterFiles;
    const int count = int(files.size());
    // Rewrite the entries in place (the pictures of a run never change), adding them the first
    // time.
    for (int i = 0; i < count; ++i) {
        QListWidgetItem* item = i < m_list->count() ? m_list->item(i) : nullptr;
        if (item == nullptr) {
            item = new QListWidgetItem(m_list);
        }
        item->setText(files[i]);
        item->setData(ThumbnailDelegate::PathRole, m_state.PathOf(files[i]));
    }
    while (m_list->count() > count)
        delete m_list->takeItem(m_list->count() - 1);

    // The marks show the selection as it stands now; marks left by a visit that ended with
    // "キャンセル" go. An empty selection (only a hand-edited "Fname.txt" gives one) plays every
    // picture, so every entry comes up marked then.
    const QStringList& chosen = m_state.PlayablePictures();
    const QSet<QString> chosenNames(chosen.begin(), chosen.end());
    QItemSelection marks;
    for (int i = 0; i < count; ++i) {
        if (!chosenNames.contains(files[i]))
            continue;
        int last = i;
        while (last + 1 < count && chosenNames.contains(files[last + 1]))
            ++last;
        marks.select(m_list->model()->index(i, 0), m_list->model()->index(last, 0));
        i = last;
    }
    m_list->selectionModel()->select(marks, QItemSelectionModel::ClearAndSelect);
    if (!m_list->currentIndex().isValid() && count > 0) {
        m_list->selectionModel()->setCurrentIndex(m_list->model()->index(0, 0),
                                                  QItemSelectionModel::NoUpdate);
    }
}

int SelectionScreen::thumbnailsRead() const {
    return m_thumbnails->picturesRead();
}

void SelectionScreen::Command1_Click() {
    QStringList marked;
    for (int i = 0; i < m_list->count(); ++i) {
        if (m_list->item(i)->isSelected())
            marked.append(m_list->item(i)->text());
    }
    if (marked.isEmpty())
        return;

    m_state.SelectedFiles = marked;
    // A folder that cannot be written, or a full disk, must not lose the game: the new selection
    // plays for this run, the old file stays whole, and the adult is told.
    if (!SaveSelection(m_state)) {
        showWarning(this, QStringLiteral("キャラ選択を保存できませんでした！"),
                    QStringLiteral("キャラ選択の保存"));
    }
    returnToGame();
}

void SelectionScreen::Command2_Click() {
    returnToGame();
}

void SelectionScreen::Command3_Click() {
    m_list->selectAll();
}

void SelectionScreen::Command4_Click() {
    m_list->clearSelection();
}
