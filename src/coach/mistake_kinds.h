#pragma once

#include <QtGlobal>

#include <array>

// The kinds of mistake the record tells apart (docs/record.md, the view round_mistakes), in the
// order the report lists them, and the counting way that practises each: one table, read by the
// report's advice and by おまかせ alike.
namespace Mistake {

enum Kind { OneToOne, Order, CountedRightAnsweredWrong, OffByOne, AnsweredWithoutCounting };
inline constexpr int kKinds = 5;
inline constexpr std::array<Kind, kKinds> kAllKinds{OneToOne, Order, CountedRightAnsweredWrong,
                                                    OffByOne, AnsweredWithoutCounting};

// The counting way that practises a kind. Some are practised in two steps: `first` a while, then
// `way`; otherwise `first` is -1.
struct Practice {
    qint16 way;
    qint16 first = -1;
};
Practice practiceFor(Kind kind);

// Up to this many characters a child may see the number at a glance.
inline constexpr int kAtAGlance = 3;
// Whether a round of `characters` with this kind of mistake counts it: answering without
// counting is no mistake at a glance.
bool counts(Kind kind, int characters);

}  // namespace Mistake
