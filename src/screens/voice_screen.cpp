#include "screens/voice_screen.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>

#include <array>

#include "screens/screen_layouts.h"
#include "state/family_voice.h"
#include "ui/sound_files.h"
#include "voice/qt_microphone.h"

using namespace ScreenParts;

namespace {

struct SpokenWord {
    Sound sound;
    QString word;
};
// The fourteen spoken sounds, as the list shows them: what each one says.
const std::array<SpokenWord, 14>& spokenWords() {
    static const std::array<SpokenWord, 14> words{{
        {Sound::One, QStringLiteral("いち")},
        {Sound::Two, QStringLiteral("に")},
        {Sound::Three, QStringLiteral("さん")},
        {Sound::Four, QStringLiteral("よん")},
        {Sound::Five, QStringLiteral("ご")},
        {Sound::Six, QStringLiteral("ろく")},
        {Sound::Seven, QStringLiteral("なな")},
        {Sound::Eight, QStringLiteral("はち")},
        {Sound::Nine, QStringLiteral("きゅう")},
        {Sound::Ten, QStringLiteral("じゅう")},
        {Sound::LetsCount, QStringLiteral("かぞえよう")},
        {Sound::HowMany, QStringLiteral("ぜんぶでいくつかな")},
        {Sound::HowManyPeople, QStringLiteral("ぜんぶでなんにんかな")},
        {Sound::OnceMore, QStringLiteral("もういちど")},
    }};
    return words;
}

const QString kRecordedMark = QStringLiteral("　（録音）");
const QString kKeptEarlier = QStringLiteral("前の声はそのままです。");

}  // namespace

VoiceScreen::VoiceScreen(ListeningPlayer& sound, std::function<void()> returnToGame,
                         Microphone* microphone, int longestRecordingMs, QWidget* parent)
    : AdultScreen(QStringLiteral("voiceScreen"), QStringLiteral("こえ"), VoiceLayout::kWidth,
                  VoiceLayout::kHeight, std::move(returnToGame), parent),
      m_sound(sound),
      m_desktopMicrophone(microphone ? nullptr : std::make_unique<QtMicrophone>()),
      m_recorder(microphone ? *microphone : *m_desktopMicrophone, longestRecordingMs) {
    buildControls();
}

VoiceScreen::~VoiceScreen() = default;

void VoiceScreen::buildControls() {
    // Created first, so it lies beneath everything else.
    auto* outline = new WindowOutline(this);
    outline->setGeometry(toPixels(VoiceLayout::outline));
    const int insideLeft = outline->x() + 4;

    m_wordList = new QListWidget(this);
    m_wordList->setObjectName(QStringLiteral("wordList"));
    m_wordList->setGeometry(toPixels(VoiceLayout::wordList));
    m_wordList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_wordList->setUniformItemSizes(true);
    m_wordList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const SpokenWord& w : spokenWords())
        new QListWidgetItem(w.word, m_wordList);
    m_wordList->setCurrentRow(0);

    const auto makeButton = [this, insideLeft](const char* name, const QString& caption,
                                               const DesignBox& place) {
        auto* button = new ScreenButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(toPixels(place));
        fitCaption(button, insideLeft, m_wordList->x() - 6, Anchor::Centre);
        return button;
    };
    m_listenNowButton = makeButton("listenNowButton", QStringLiteral("いまの声を聞く"),
                                   VoiceLayout::listenNowButton);
    m_recordButton =
        makeButton("recordButton", QStringLiteral("録音する"), VoiceLayout::recordButton);
    m_listenTakeButton =
        makeButton("listenTakeButton", QStringLiteral("録音を聞く"), VoiceLayout::listenTakeButton);
    m_keepButton =
        makeButton("keepButton", QStringLiteral("この声にする"), VoiceLayout::keepButton);
    m_builtInButton =
        makeButton("builtInButton", QStringLiteral("元の声に戻す"), VoiceLayout::builtInButton);
    m_backButton = makeButton("backButton", QStringLiteral("戻る"), VoiceLayout::backButton);

    m_message = new MessageLine(this, toPixels(VoiceLayout::message));

    QLabel* title = makeTitle(QStringLiteral("こえ"), this);
    title->setObjectName(QStringLiteral("title"));
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title->setGeometry(toPixels(VoiceLayout::title));
    fitCaption(title, insideLeft, m_wordList->x() - 4, Anchor::Left);

    QLabel* credit = makeCreditLine(this);
    credit->setObjectName(QStringLiteral("credit"));
    credit->setGeometry(toPixels(VoiceLayout::credit));
    fitCaption(credit, insideLeft, m_wordList->x() - 4, Anchor::Centre);

    connect(m_wordList, &QListWidget::currentRowChanged, this, [this] {
        dropTake();
        showChosen();
    });
    connect(m_listenNowButton, &QPushButton::clicked, this, [this] { listenNow(); });
    connect(m_recordButton, &QPushButton::clicked, this, [this] { record(); });
    connect(m_listenTakeButton, &QPushButton::clicked, this, [this] { listenToTake(); });
    connect(m_keepButton, &QPushButton::clicked, this, [this] { keepTake(); });
    connect(m_builtInButton, &QPushButton::clicked, this, [this] { backToBuiltIn(); });
    connect(m_backButton, &QPushButton::clicked, this, [this] { cancel(); });

    setTabChain({m_wordList, m_listenNowButton, m_recordButton, m_listenTakeButton, m_keepButton,
                 m_builtInButton, m_backButton});
    m_wordList->setFocus();
}

void VoiceScreen::load() {
    m_recorder.cancel();
    dropTake();
    for (int row = 0; row < m_wordList->count(); ++row) {
        const SpokenWord& w = spokenWords()[std::size_t(row)];
        const bool recorded = !familyRecording(soundFileName(w.sound)).isEmpty();
        m_wordList->item(row)->setText(recorded ? w.word + kRecordedMark : w.word);
    }
    showChosen();
}

Sound VoiceScreen::chosenSound() const {
    return spokenWords()[std::size_t(std::max(0, m_wordList->currentRow()))].sound;
}

QString VoiceScreen::chosenWord() const {
    return spokenWords()[std::size_t(std::max(0, m_wordList->currentRow()))].word;
}

// Tells which voice the chosen word has now.
void VoiceScreen::showChosen() {
    const bool recorded = !familyRecording(soundFileName(chosenSound())).isEmpty();
    m_message->say(
        QStringLiteral("「%1」は、いま%2です。")
            .arg(chosenWord(), recorded ? QStringLiteral("録音した声") : QStringLiteral("元の声")));
    if (QListWidgetItem* item = m_wordList->currentItem())
        item->setText(recorded ? chosenWord() + kRecordedMark : chosenWord());
    enableButtons();
}

void VoiceScreen::enableButtons() {
    const bool recording = m_recorder.isRecording();
    const bool haveTake = !m_take.isEmpty();
    m_wordList->setEnabled(!recording);
    m_listenNowButton->setEnabled(!recording);
    m_recordButton->setEnabled(!recording);
    m_listenTakeButton->setEnabled(!recording && haveTake);
    m_keepButton->setEnabled(!recording && haveTake);
    m_builtInButton->setEnabled(!recording &&
                                !familyRecording(soundFileName(chosenSound())).isEmpty());
    m_backButton->setEnabled(!recording);
}

void VoiceScreen::listenNow() {
    m_sound.play(chosenSound());
}

void VoiceScreen::record() {
    // The microphone must not hear the game's own voice.
    m_sound.silence();
    dropTake();
    m_message->say(
        QStringLiteral("「%1」と話してください。話し終わると録音は止まります。").arg(chosenWord()));
    m_recorder.start([this](const VoiceRecorder::Result& result) {
        switch (result.outcome) {
            case VoiceRecorder::Outcome::Recorded:
                m_take = result.wave;
                m_message->say(
                    QStringLiteral("録音しました。「録音を聞く」で聞いて、よければ"
                                   "「この声にする」を押してください。"));
                break;
            case VoiceRecorder::Outcome::NoMicrophone:
                showChosen();
                m_message->sayProblem(
                    QStringLiteral("マイクが見つかりません！\nマイクをつないでから、もう一"
                                   "度「録音する」を押してください。") +
                    kKeptEarlier);
                break;
            case VoiceRecorder::Outcome::Silent:
                showChosen();
                m_message->sayProblem(
                    QStringLiteral("声が聞こえませんでした！\nマイクの音量を確かめて、もう"
                                   "一度「録音する」を押してください。") +
                    kKeptEarlier);
                break;
        }
        enableButtons();
    });
    enableButtons();
}

void VoiceScreen::listenToTake() {
    if (m_take.isEmpty() || !m_takeFolder.isValid())
        return;
    // A new file for every recording: the player knows a file by its name and keeps it.
    if (m_takeFile.isEmpty()) {
        m_takeFile = m_takeFolder.filePath(QStringLiteral("take%1.wav").arg(++m_takesMade));
        QFile file(m_takeFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(m_take) != m_take.size())
            m_takeFile.clear();
    }
    if (!m_takeFile.isEmpty())
        m_sound.playFile(m_takeFile);
}

void VoiceScreen::keepTake() {
    if (m_take.isEmpty())
        return;
    m_sound.silence();
    if (!saveFamilyRecording(soundFileName(chosenSound()), m_take)) {
        m_message->sayProblem(
            QStringLiteral("録音を保存できませんでした！\n%1 に書き込めるか確かめてください。")
                .arg(QDir::toNativeSeparators(familyVoiceFolder())) +
            kKeptEarlier);
        return;  // the recording stays, to be kept once the folder can be written
    }
    dropTake();
    showChosen();
}

void VoiceScreen::backToBuiltIn() {
    m_sound.silence();
    const bool removed = removeFamilyRecording(soundFileName(chosenSound()));
    showChosen();
    if (!removed) {
        m_message->sayProblem(QStringLiteral("録音を消せませんでした！\n%1 を確かめてください。")
                                  .arg(QDir::toNativeSeparators(familyVoiceFolder())));
    }
}

void VoiceScreen::dropTake() {
    m_take.clear();
    if (!m_takeFile.isEmpty())
        QFile::remove(m_takeFile);
    m_takeFile.clear();
}

void VoiceScreen::cancel() {
    m_recorder.cancel();
    m_sound.silence();
    dropTake();
    returnToGame();
}
