#include "screens/selection_screen.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QStandardPaths>
#include <QUrl>

#include "screens/picture_import.h"
#include "screens/screen_layouts.h"
#include "screens/screen_parts.h"
#include "screens/thumbnails.h"
#include "state/character_files.h"
#include "state/file_writing.h"
#include "state/selection_file.h"
#include "ui/character_pictures.h"
#include "ui/message_box.h"

using namespace ScreenParts;
namespace Layout = SelectionLayout;

namespace {
const QString kAddTitle = QStringLiteral("画像の追加");
const QString kRemoveTitle = QStringLiteral("画像の削除");
// A message names at most this many files, then how many more there are.
constexpr int kNamesShown = 10;

QString listOfNames(const QStringList& names) {
    QStringList lines = names.mid(0, kNamesShown);
    if (names.size() > kNamesShown)
        lines.append(QStringLiteral("ほか %1 件").arg(names.size() - kNamesShown));
    return lines.join(u'\n');
}

// The local files among what is dragged over the list; empty when it carries none.
QStringList droppedFiles(const QMimeData* data) {
    QStringList paths;
    if (data == nullptr || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

// The file dialog of "画像を追加…": pictures of every format the game reads, or any file.
QStringList choosePicturesInDialog(QWidget* parent, const QStringList& pictureSuffixes) {
    QStringList patterns;
    for (const QString& suffix : pictureSuffixes)
        patterns << QStringLiteral("*.") + suffix << QStringLiteral("*.") + suffix.toUpper();
    const QString filter =
        QStringLiteral("画像 (%1);;すべてのファイル (*)").arg(patterns.join(u' '));
    // The desktop's pictures folder, where there is one.
    QString start = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!QFileInfo(start).isDir())
        start = QDir::homePath();
    return QFileDialog::getOpenFileNames(parent, kAddTitle, start, filter);
}
}  // namespace

SelectionScreen::SelectionScreen(SharedState& state, std::function<void()> returnToGame,
                                 QWidget* parent)
    : AdultScreen(QStringLiteral("selectionScreen"),
                  QStringLiteral("Form3"),  // the caption the window really shows
                  Layout::kWidth, Layout::kHeight, std::move(returnToGame), parent),
      m_state(state),
      m_pictureSuffixes(pictureSuffixes()) {
    m_choosePictures = [this](QWidget* owner) {
        return choosePicturesInDialog(owner, m_pictureSuffixes);
    };
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
    // Files dropped on the list are added as "画像を追加…" adds them; Delete removes a picture.
    m_pictureList->viewport()->setAcceptDrops(true);
    m_pictureList->viewport()->installEventFilter(this);
    m_pictureList->installEventFilter(this);

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
    // The row under the list: each button within the list's width, apart from the other.
    ScreenButton* addButton =
        makeButton("addPicturesButton", QStringLiteral("画像を追加…"), Layout::addPicturesButton);
    ScreenButton* removeButton =
        makeButton("removePictureButton", QStringLiteral("削除…"), Layout::removePictureButton);
    fitCaption(addButton, m_pictureList->x(), removeButton->x() - 4, Anchor::Left);
    fitCaption(removeButton, addButton->geometry().right() + 5,
               m_pictureList->geometry().right() + 1, Anchor::Centre);

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
    connect(addButton, &QPushButton::clicked, this,
            [this] { addPictures(m_choosePictures(this)); });
    connect(removeButton, &QPushButton::clicked, this, [this] { removeCurrentPicture(); });

    // The list first, so it has the keyboard when the window opens; then "決定", "キャンセル",
    // "全選択", "全解除", "画像を追加…", "削除…".
    setTabChain({m_pictureList, decideButton, cancelButton, selectAllButton, selectNoneButton,
                 addButton, removeButton});
    m_pictureList->setFocus();
}

void SelectionScreen::load() {
    // The marks show the selection as it stands now; marks left by a visit that ended with
    // "キャンセル" go. An empty selection (only a hand-edited "Fname.txt" gives one) plays every
    // picture, so every entry comes up marked then.
    const QStringList& chosen = m_state.playablePictures();
    fillList(QSet<QString>(chosen.begin(), chosen.end()));
}

void SelectionScreen::fillList(const QSet<QString>& chosenNames) {
    const QStringList& files = m_state.characterFiles;
    const int count = int(files.size());
    // Rewrite the entries in place (the pictures change only by the two buttons), adding them
    // the first time.
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

QSet<QString> SelectionScreen::markedNames() const {
    QSet<QString> names;
    for (int i = 0; i < m_pictureList->count(); ++i) {
        if (m_pictureList->item(i)->isSelected())
            names.insert(m_pictureList->item(i)->text());
    }
    return names;
}

void SelectionScreen::pictureFilesChanged(const QSet<QString>& marked) {
    // Read anew rather than patched: pictures put into the folder by hand meanwhile come too.
    m_state.characterFiles = scanCharacterFiles(m_state.dataFolder, m_pictureSuffixes, nullptr);
    const QSet<QString> present(m_state.characterFiles.begin(), m_state.characterFiles.end());
    m_state.selectedFiles.removeIf(
        [&present](const QString& name) { return !present.contains(name); });
    // "Fname.txt" names every picture of the folder: it is rewritten with the selection as kept,
    // or the next start would find it outdated and select everything.
    if (!saveSelection(m_state)) {
        showWarning(this, QStringLiteral("キャラ選択を保存できませんでした！"),
                    QStringLiteral("キャラ選択の保存"));
    }
    fillList(marked);
}

void SelectionScreen::addPictures(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    // Twenty photos take a moment.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const PictureImport import = importPictures(paths, m_state.dataFolder, m_pictureSuffixes);
    QApplication::restoreOverrideCursor();
    if (!import.added.isEmpty()) {
        QSet<QString> marked = markedNames();
        marked.unite(QSet<QString>(import.added.begin(), import.added.end()));
        pictureFilesChanged(marked);
        const QList<QListWidgetItem*> first =
            m_pictureList->findItems(import.added.first(), Qt::MatchExactly);
        if (!first.isEmpty()) {
            m_pictureList->setCurrentItem(first.first(), QItemSelectionModel::NoUpdate);
            m_pictureList->scrollToItem(first.first());
        }
    }
    QStringList problems;
    if (!import.notPictures.isEmpty()) {
        problems.append(
            QStringLiteral("次のファイルは画像として読めないため、追加しませんでした！\n") +
            listOfNames(import.notPictures));
    }
    if (!import.nameTooLong.isEmpty()) {
        problems.append(
            QStringLiteral("名前が長すぎるため、次の画像を追加できませんでした！名前を短くしてから"
                           "追加してください。\n") +
            listOfNames(import.nameTooLong));
    }
    if (!import.notWritten.isEmpty()) {
        problems.append(
            QStringLiteral("データフォルダに書き込めないため、次の画像を追加できませんでした！\n") +
            listOfNames(import.notWritten));
    }
    if (!problems.isEmpty())
        showWarning(this, problems.join(QStringLiteral("\n\n")), kAddTitle);
}

void SelectionScreen::removeCurrentPicture() {
    QListWidgetItem* item = m_pictureList->currentItem();
    if (item == nullptr)
        return;
    const QString name = item->text();
    // The game needs at least one picture to play.
    if (m_pictureList->count() <= 1) {
        showWarning(this, QStringLiteral("画像が１つしかないため、削除できません！"), kRemoveTitle);
        return;
    }
    if (!askYesNo(this, QStringLiteral("「%1」をごみ箱に移しますか？").arg(name), kRemoveTitle))
        return;
    const QString path = m_state.pathOf(name);
    // A file already gone (taken out by hand) leaves the list all the same. Where the trash
    // cannot take it, the picture stays: Qt's own move would try for ever.
    if (QFileInfo::exists(path) && (!canMoveToTrash(path) || !QFile::moveToTrash(path))) {
        showWarning(this, QStringLiteral("「%1」をごみ箱に移せませんでした！").arg(name),
                    kRemoveTitle);
        return;
    }
    m_thumbnails->forget(path);
    const int row = m_pictureList->row(item);
    QSet<QString> marked = markedNames();
    marked.remove(name);
    m_state.selectedFiles.removeAll(name);
    pictureFilesChanged(marked);
    if (m_pictureList->count() > 0) {
        m_pictureList->setCurrentRow(std::min(row, m_pictureList->count() - 1),
                                     QItemSelectionModel::NoUpdate);
    }
}

bool SelectionScreen::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pictureList->viewport()) {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove: {
                auto* drag = static_cast<QDragMoveEvent*>(event);
                if (!droppedFiles(drag->mimeData()).isEmpty())
                    drag->acceptProposedAction();
                else
                    drag->ignore();
                return true;
            }
            case QEvent::Drop: {
                auto* drop = static_cast<QDropEvent*>(event);
                const QStringList paths = droppedFiles(drop->mimeData());
                if (paths.isEmpty())
                    return true;
                drop->acceptProposedAction();
                // After the drop has ended: the source of the drag waits until then, and the
                // adding may have a message to show.
                QMetaObject::invokeMethod(
                    this, [this, paths] { addPictures(paths); }, Qt::QueuedConnection);
                return true;
            }
            default:
                break;
        }
    } else if (watched == m_pictureList && event->type() == QEvent::KeyPress &&
               static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        removeCurrentPicture();
        return true;
    }
    return AdultScreen::eventFilter(watched, event);
}
