#include "screens/omakase_words.h"

#include "state/game_settings.h"

namespace OmakaseWords {

QString countWayName(int countWay) {
    switch (countWay) {
        case CountWay::AnyOrder:
            return QStringLiteral("どこからでもＯＫ");
        case CountWay::FromLeft:
            return QStringLiteral("左から順に（誤訂正無し）");
        case CountWay::FromLeftCorrected:
            return QStringLiteral("左から順に（誤訂正有り）");
        case CountWay::FromLeftBlinking:
            return QStringLiteral("左から順に（数字点滅）");
        case CountWay::NoCounting:
            return QStringLiteral("かぞえ無し");
        default:
            return QStringLiteral("—");
    }
}

QString practiceName(Mistake::Kind kind) {
    const Mistake::Practice p = Mistake::practiceFor(kind);
    if (p.first < 0)
        return countWayName(p.way);
    return QStringLiteral("%1 のあとで %2").arg(countWayName(p.first), countWayName(p.way));
}

QString reason(const Omakase::Choice& choice) {
    const int n = choice.characters;
    const Omakase::Reason& r = choice.reason;
    switch (r.why) {
        case Omakase::Why::Start:
            return QStringLiteral("まだできている数がないので、見てわかる 1〜3 から");
        case Omakase::Why::Frontier:
            if (r.of == 0)
                return QStringLiteral("%1 はまだあそんだことがないので").arg(n);
            return QStringLiteral("%1 をまだ %2 回中 %3 回しか 1 回目で正解していないので")
                .arg(n)
                .arg(r.of)
                .arg(r.right);
        case Omakase::Why::Above:
            return QStringLiteral("少し先の %1 にもなれるように").arg(n);
        case Omakase::Why::Review:
            return QStringLiteral("%1 は %2 回中 %3 回 1 回目で正解できているので、ふくしゅうに")
                .arg(n)
                .arg(r.of)
                .arg(r.right);
        case Omakase::Why::StepDown:
            return QStringLiteral("2 回つづけて 1 回目でまちがえたので、できている %1 にもどって")
                .arg(n);
        case Omakase::Why::AllDone:
            return QStringLiteral("1〜10 がすべてできているので");
    }
    return {};
}

QString frontierName(int frontier) {
    return frontier > 10 ? QStringLiteral("10 まですべて") : QString::number(frontier);
}

QString frontierLine(int now, int before) {
    const QString line = QStringLiteral("いまの目標の数：%1").arg(frontierName(now));
    if (before == 0)
        return line + QStringLiteral("（30日前はまだあそんでいません）");
    if (before == now)
        return line + QStringLiteral("（30日前と同じ）");
    return line + QStringLiteral("（30日前は %1）").arg(frontierName(before));
}

QString settingsLine(const QString& child) {
    return QStringLiteral("%1 は「おまかせ」：最小個数・最大個数・かぞえ方はゲームが決めます")
        .arg(child);
}

}  // namespace OmakaseWords
