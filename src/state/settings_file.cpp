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
        QByteArray::number(settings.countWay), flagText(settings.clickToCount),
        flagText(settings.mixedCharacters),    flagText(settings.askHowManyPeople),
        flagText(settings.hidePointer),        QByteArray::number(settings.blinkTime),
        QByteArray::number(settings.minCount), QByteArray::number(settings.maxCount),
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
    const auto countWay = integer();
    const auto clickToCount = flag();
    const auto mixedCharacters = flag();
    const auto askHowManyPeople = flag();
    const auto hidePointer = flag();
    const auto blinkTime = integer();
    const auto minCount = integer();
    const auto maxCount = integer();
    if (!countWay || !clickToCount || !mixedCharacters || !askHowManyPeople || !hidePointer ||
        !blinkTime || !minCount || !maxCount) {
        return std::nullopt;
    }
    GameSettings settings;
    settings.countWay = *countWay;
    settings.clickToCount = *clickToCount;
    settings.mixedCharacters = *mixedCharacters;
    settings.askHowManyPeople = *askHowManyPeople;
    settings.hidePointer = *hidePointer;
    settings.blinkTime = *blinkTime;
    settings.minCount = *minCount;
    settings.maxCount = *maxCount;
    return settings;
}

GameSettings clampedToRanges(GameSettings settings) {
    if (settings.countWay < CountWay::AnyOrder || settings.countWay > CountWay::NoCounting) {
        settings.countWay = GameSettings{}.countWay;
    }
    settings.blinkTime =
        std::clamp(settings.blinkTime, SettingRange::MinBlinkTime, SettingRange::MaxBlinkTime);
    settings.minCount =
        std::clamp(settings.minCount, SettingRange::MinCharacters, SettingRange::MaxCharacters);
    settings.maxCount =
        std::clamp(settings.maxCount, SettingRange::MinCharacters, SettingRange::MaxCharacters);
    settings.minCount = std::min(settings.minCount, settings.maxCount);
    return settings;
}

bool saveSettings(const QString& dataFolder, const GameSettings& settings, QString* error) {
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
    if (!saveSettings(dataFolder, defaults, &error) && writeError) {
        *writeError = error.isEmpty() ? QStringLiteral("unknown error") : error;
    }
    return defaults;
}

GameSettings readSettingsAtStartUp(const QString& dataFolder, const WarningSink& warn) {
    QString writeError;
    const GameSettings settings = loadSettingsOrDefaults(dataFolder, &writeError);
    if (!writeError.isEmpty() && warn) {
        warn(cannotWriteWarning(dataFolder + kSettingsFileName, writeError,
                                QStringLiteral("the default settings")));
    }
    return settings;
}
