#include "screens/selection_screen.h"

#include <QItemSelection>
#include <QLabel>
#include <QListWidget>
#include <QSet>

#include "screens/screen_layouts.h"
#include "screens/screen_parts.h"
#include "screens/thumbnails.h"
#include "state/selection_file.h"
#include "ui/message_box.h"

using namespace ScreenParts;
namespace Layout = SelectionLayout;

SelectionScreen::SelectionScreen(SharedState& state, std::function<void()> returnToGame,
                                 QWidget* parent)
    : AdultScreen(QStringLiteral("selectionScreen"),
                  QStringLiteral("Form3"),  // the caption the window really shows
                  Layout::kWidth, Layout::kHeight, std::move(returnToGame), parent),
      m_state(state) {
    buildControls();
}

void SelectionScreen::buildControls() {
    // Created first, so it lies beneath everything else.
    auto* outline = new WindowOutline(this);
    outline->setGeometry(toPixels(Layout::outline));
    const int insideLeft = outline->x() + 4;

    m_pictureList = new QListWidget(this);
    m_pictureList->setObjectName(QStringLiteral("pictureList"));
    m_pictureList->setGeometry(toPixels(Layout::pictureList));
    // A click, or the space bar on the entry with the focus, marks or unmarks that one entry.
    m_pictureList->setSelectionMode(QAbstractItemView::MultiSelection);
    m_pictureList->setUniformItemSizes(true);  // rows are not measured one by one
    m_pictureList->setIconSize(QSize(ThumbnailDelegate::kSide, ThumbnailDelegate::kSide));
    m_pictureList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pictureList->setTextElideMode(Qt::ElideMiddle);  // a long file name keeps its ".gif" in view
    m_thumbnails = new ThumbnailDelegate(m_pictureList);
    m_pictureList->setItemDelegate(m_thumbnails);

    const auto makeButton = [this](const char* name, const QString& caption,
                                   const DesignBox& place) {
        auto* button = new ScreenButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(toPixels(place));
        return button;
    };
    ScreenButton* selectNoneButton =
        makeButton("selectNoneButton", QStringLiteral("全解除"), Layout::selectNoneButton);
    ScreenButton* selectAllButton =
        makeButton("selectAllButton", QStringLiteral("全選択"), Layout::selectAllButton);
    ScreenButton* cancelButton =
        makeButton("cancelButton", QStringLiteral("キャンセル"), Layout::cancelButton);
    ScreenButton* decideButton =
        makeButton("decideButton", QStringLiteral("決定"), Layout::decideButton);
    for (QWidget* button : {decideButton, cancelButton, selectAllButton, selectNoneButton}) {
        fitCaption(button, insideLeft, m_pictureList->x() - 6, Anchor::Centre);
    }

    QLabel* credit = makeCreditLine(this);
    credit->setObjectName(QStringLiteral("credit"));
    credit->setGeometry(toPixels(Layout::credit));
    // The credit line is wider than its design box in the stand-in faces: it grows about its
    // centre towards the window's outline and the list, and only then takes a smaller size.
    fitCaption(credit, insideLeft, m_pictureList->x() - 4, Anchor::Centre);

    QLabel* title = makeTitle(QStringLiteral("キャラ選択画面"), this);
    title->setObjectName(QStringLiteral("title"));
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title->setGeometry(toPixels(Layout::title));
    // Fixed in the design, but a line of the bold face is taller than the 375 twips drawn: it
    // grows about its middle so that no stroke is cut.
    fitCaption(title, insideLeft, m_pictureList->x() - 4, Anchor::Left);

    connect(decideButton, &QPushButton::clicked, this, [this] { decide(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
    connect(selectAllButton, &QPushButton::clicked, m_pictureList, &QListWidget::selectAll);
    connect(selectNoneButton, &QPushButton::clicked, m_pictureList, &QListWidget::clearSelection);

    // The list first, so it has the keyboard when the window opens; then "決定", "キャンセル",
    // "全選択", "全解除".
    setTabChain({m_pictureList, decideButton, cancelButton, selectAllButton, selectNoneButton});
    m_pictureList->setFocus();
}

void SelectionScreen::load() {
    const QStringList& files = m_state.characterFiles;
    const int count = int(files.size());
    // Rewrite the entries in place (the pictures of a run never change), adding them the first
    // time.
    for (int i = 0; i < count; ++i) {
        QListWidgetItem* item = i < m_pictureList->count() ? m_pictureList->item(i) : nullptr;
        if (item == nullptr) {
            item = new QListWidgetItem(m_pictureList);
        }
        item->setText(files[i]);
        item->setData(ThumbnailDelegate::PathRole, m_state.pathOf(files[i]));
    }
    while (m_pictureList->count() > count)
        delete m_pictureList->takeItem(m_pictureList->count() - 1);

    // The marks show the selection as it stands now; marks left by a visit that ended with
    // "キャンセル" go. An empty selection (only a hand-edited "Fname.txt" gives one) plays every
    // picture, so every entry comes up marked then.
    const QStringList& chosen = m_state.playablePictures();
    const QSet<QString> chosenNames(chosen.begin(), chosen.end());
    QItemSelection marks;
    for (int i = 0; i < count; ++i) {
        if (!chosenNames.contains(files[i]))
            continue;
        int last = i;
        while (last + 1 < count && chosenNames.contains(files[last + 1]))
            ++last;
        marks.select(m_pictureList->model()->index(i, 0), m_pictureList->model()->index(last, 0));
        i = last;
    }
    m_pictureList->selectionModel()->select(marks, QItemSelectionModel::ClearAndSelect);
    if (!m_pictureList->currentIndex().isValid() && count > 0) {
        m_pictureList->selectionModel()->setCurrentIndex(m_pictureList->model()->index(0, 0),
                                                         QItemSelectionModel::NoUpdate);
    }
}

int SelectionScreen::thumbnailsRead() const {
    return m_thumbnails->picturesRead();
}

void SelectionScreen::decide() {
    QStringList marked;
    for (int i = 0; i < m_pictureList->count(); ++i) {
        if (m_pictureList->item(i)->isSelected())
            marked.append(m_pictureList->item(i)->text());
    }
    if (marked.isEmpty())
        return;

    m_state.selectedFiles = marked;
    // A folder that cannot be written, or a full disk, must not lose the game: the new selection
    // plays for this run, the old file stays whole, and the adult is told.
    if (!saveSelection(m_state)) {
        showWarning(this, QStringLiteral("キャラ選択を保存できませんでした！"),
                    QStringLiteral("キャラ選択の保存"));
    }
    returnToGame();
}

void SelectionScreen::cancel() {
    returnToGame();
}
