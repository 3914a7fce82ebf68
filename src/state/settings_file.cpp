#include "state/settings_file.h"

#include <QByteArrayList>

#include <algorithm>

namespace {

QByteArray flagText(bool flag) {
    return flag ? "#TRUE#" : "#FALSE#";
}

}  // namespace

QByteArray settingsFileContents(const GameSettings& settings) {
    const QByteArrayList values = {
        QByteArray::number(settings.CountMode), flagText(settings.ClickToCount),
        flagText(settings.MixedCharacters),     flagText(settings.AskHowManyPeople),
        flagText(settings.HideCursor),          QByteArray::number(settings.BlinkTime),
        QByteArray::number(settings.MinCount),  QByteArray::number(settings.MaxCount),
    };
    return values.join(',') + "\r\n";
}

std::optional<GameSettings> parseSettingsFile(const QByteArray& bytes) {
    const std::optional<QString> text = decodeCodePage932(bytes);
    if (!text) {
        return std::nullopt;
    }
    // The eight values are read in file order wherever the commas and line ends put them;
    // anything after the eighth is not looked at.
    ValueReader reader(*text);
    auto integer = [&reader]() -> std::optional<qint16> {
        const auto value = reader.next();
        if (!value || value->quoted) {
            return std::nullopt;
        }
        return parseInteger16(value->text);
    };
    auto flag = [&reader]() -> std::optional<bool> {
        const auto value = reader.next();
        if (!value || value->quoted) {
            return std::nullopt;
        }
        return parseFlag(value->text);
    };
    // One statement per value keeps the reading order the file order.
    const auto countMode = integer();
    const auto clickToCount = flag();
    const auto mixedCharacters = flag();
    const auto askHowManyPeople = flag();
    const auto hideCursor = flag();
    const auto blinkTime = integer();
    const auto minCount = integer();
    const auto maxCount = integer();
    if (!countMode || !clickToCount || !mixedCharacters || !askHowManyPeople || !hideCursor ||
        !blinkTime || !minCount || !maxCount) {
        return std::nullopt;
    }
    GameSettings settings;
    settings.CountMode = *countMode;
    settings.ClickToCount = *clickToCount;
    settings.MixedCharacters = *mixedCharacters;
    settings.AskHowManyPeople = *askHowManyPeople;
    settings.HideCursor = *hideCursor;
    settings.BlinkTime = *blinkTime;
    settings.MinCount = *minCount;
    settings.MaxCount = *maxCount;
    return settings;
}

GameSettings clampedToRanges(GameSettings settings) {
    if (settings.CountMode < CountWay::AnyOrder || settings.CountMode > CountWay::NoCounting) {
        settings.CountMode = GameSettings{}.CountMode;
    }
    settings.BlinkTime =
        std::clamp(settings.BlinkTime, SettingRange::MinBlinkTime, SettingRange::MaxBlinkTime);
    settings.MinCount =
        std::clamp(settings.MinCount, SettingRange::MinCharacters, SettingRange::MaxCharacters);
    settings.MaxCount =
        std::clamp(settings.MaxCount, SettingRange::MinCharacters, SettingRange::MaxCharacters);
    settings.MinCount = std::min(settings.MinCount, settings.MaxCount);
    return settings;
}

bool SaveSettings(const QString& dataFolder, const GameSettings& settings, QString* error) {
    return writeFileAtomically(dataFolder + kSettingsFileName, settingsFileContents(settings),
                               error);
}

GameSettings loadSettingsOrDefaults(const QString& dataFolder, QString* writeError) {
    if (writeError) {
        writeError->clear();
    }
    const ReadResult read = readTextFile(dataFolder + kSettingsFileName);
    if (read.status == ReadStatus::Ok) {
        if (const auto settings = parseSettingsFile(read.bytes)) {
            // A hand-edited file may hold values the game cannot play with; they are mended in
            // memory only, so the file is not rewritten behind the adult's back.
            return clampedToRanges(*settings);
        }
    }
    // Missing, unreadable or malformed: the defaults are written and played with. The file just
    // written holds exactly these values, so it is not read back.
    const GameSettings defaults;
    QString error;
    if (!SaveSettings(dataFolder, defaults, &error) && writeError) {
        *writeError = error.isEmpty() ? QStringLiteral("unknown error") : error;
    }
    return defaults;
}

GameSettings ReadSettingsAtStartUp(const QString& dataFolder, const WarningSink& warn) {
    QString writeError;
    const GameSettings settings = loadSettingsOrDefaults(dataFolder, &writeError);
    if (!writeError.isEmpty() && warn) {
        warn(cannotWriteWarning(dataFolder + kSettingsFileName, writeError,
                                QStringLiteral("the default settings")));
    }
    return settings;
}
