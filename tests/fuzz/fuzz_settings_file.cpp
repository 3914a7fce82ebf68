// Feeds any bytes to the reader of "Pimo.txt", as a teacher's editor might leave the file.
// Afterwards every setting must be playable, and the file on disk must be either the input left
// alone or a valid settings file holding exactly what the game now plays with.

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "state/settings_file.h"

namespace {

bool inRange(const GameSettings& s) {
    return s.countWay >= CountWay::AnyOrder && s.countWay <= CountWay::NoCounting &&
           s.blinkTime >= SettingRange::MinBlinkTime && s.blinkTime <= SettingRange::MaxBlinkTime &&
           s.minCount >= SettingRange::MinCharacters && s.minCount <= SettingRange::MaxCharacters &&
           s.maxCount >= SettingRange::MinCharacters && s.maxCount <= SettingRange::MaxCharacters &&
           s.minCount <= s.maxCount;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));

    // The parser alone: whatever it takes, the game can write back and read again unchanged,
    // and the mending brings it into range without moving values that already are.
    const std::optional<GameSettings> parsed = parseSettingsFile(input);
    if (parsed) {
        fuzzCheck(parseSettingsFile(settingsFileContents(*parsed)) == parsed,
                  "settings taken from the file do not survive a save and a read");
        const GameSettings mended = clampedToRanges(*parsed);
        fuzzCheck(inRange(mended), "mended settings out of range");
        fuzzCheck(clampedToRanges(mended) == mended, "mending in-range settings changes them");
        if (inRange(*parsed)) {
            fuzzCheck(mended == *parsed, "in-range settings were changed by the mending");
        }
    }

    // The start-up reader on a real folder.
    const QString folder = freshDataFolder();
    const QString path = folder + kSettingsFileName;
    writeWholeFile(path, input);
    bool warned = false;
    const GameSettings playing =
        readSettingsAtStartUp(folder, [&warned](const QString&) { warned = true; });
    fuzzCheck(!warned, "a warning although the folder can be written");
    fuzzCheck(inRange(playing), "the game plays with settings out of range");
    fuzzCheck(folderHoldsOnly(folder, kSettingsFileName), "a stray file left in the data folder");

    const QByteArray after = readWholeFile(path);
    const bool readable = parsed.has_value() && input.size() <= kMaxTextFileBytes;
    if (readable) {
        // A file the game can read is never rewritten behind the adult's back.
        fuzzCheck(after == input, "a readable settings file was rewritten");
        fuzzCheck(playing == clampedToRanges(*parsed), "the game does not play what the file says");
    } else {
        fuzzCheck(after == settingsFileContents(GameSettings{}),
                  "an unreadable settings file was not replaced by the default line");
        fuzzCheck(playing == GameSettings{}, "an unreadable file left non-default settings");
        fuzzCheck(parseSettingsFile(after) == playing,
                  "the file written does not read back as what the game plays");
    }
    return 0;
}
