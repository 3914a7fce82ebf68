#pragma once

#include <QByteArray>
#include <QString>

// The family's own voice: recordings of the game's spoken sounds, kept in the user's own data
// folder under the names of the game's sound files ("1.wav", "いくつかな.wav", ...). Where one is
// there, the game plays it instead of its built-in voice.

// "kazoemashou/voice/" in the user's data folder ($XDG_DATA_HOME, by default ~/.local/share, on
// Linux), ending in '/'.
QString familyVoiceFolder();

// What the game takes from the family's folder: a word is short (the voice screen records three
// seconds at most), and a file far bigger than a short word is not read at all.
constexpr int kLongestFamilyWordMs = 5000;
constexpr qint64 kLargestFamilyRecordingBytes = 1024 * 1024;

// The family's recording of the sound file `name`: a plain file, not empty and no bigger than
// kLargestFamilyRecordingBytes; empty when there is none such.
QString familyRecording(const QString& name);

// Saves `wave` as the recording of `name`, atomically: the file is either the earlier one or the
// new one whole, never a part. False when the folder cannot be made or written; the earlier
// recording is then left as it was.
bool saveFamilyRecording(const QString& name, const QByteArray& wave);

// Removes the recording of `name`, so that the game speaks with its built-in voice again. True
// when none is left.
bool removeFamilyRecording(const QString& name);
