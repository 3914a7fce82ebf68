// Feeds any bytes to the reader of "Fname.txt" for a fixed folder of pictures whose names are
// the awkward ones: letter case twins, a comma and spaces inside a name, half-width katakana,
// and Shift-JIS characters whose second byte is a backslash. Afterwards the selection must be
// pictures of the folder in folder order, and the file on disk either the input left alone or a
// fresh file with every picture selected.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "state/character_files.h"
#include "state/selection_file.h"

namespace {

const QStringList& folderPictures() {
    static const QStringList names = [] {
        const QStringList list = {
            QStringLiteral(" lead.gif"), QStringLiteral("a.gif"),     QStringLiteral("B.gif"),
            QStringLiteral("b.gif"),     QStringLiteral("ア,イ.gif"), QStringLiteral("ｶﾀｶﾅ.gif"),
            QStringLiteral("ソ 表.gif"), QStringLiteral("ねこ.gif"),  QStringLiteral("～.gif"),
        };
        for (const QString& name : list) {
            fuzzCheck(canStoreInSelectionFile(name), "a fixed picture name cannot be stored");
        }
        return list;
    }();
    return names;
}

// True when `part` is `whole` with some entries left out, the rest in the same order.
bool isSubList(const QStringList& part, const QStringList& whole) {
    qsizetype at = 0;
    for (const QString& name : part) {
        while (at < whole.size() && whole[at] != name) {
            ++at;
        }
        if (at == whole.size()) {
            return false;
        }
        ++at;
    }
    return true;
}

void checkParse(const QByteArray& input, const QStringList& pictures) {
    const std::optional<QStringList> selected = parseSelectionFile(input, pictures);
    if (!selected) {
        return;
    }
    fuzzCheck(isSubList(*selected, pictures), "the selection is not a sub-list of the pictures");
    fuzzCheck(parseSelectionFile(selectionFileContents(pictures, *selected), pictures) == selected,
              "a selection does not survive a save and a read");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList& pictures = folderPictures();

    // The parser alone, for the folder and for a folder that lost its later pictures (so that
    // lines too many are reached as well).
    checkParse(input, pictures);
    checkParse(input, pictures.mid(0, 3));
    checkParse(input, {});

    // The start-up reader on a real folder.
    SharedState state;
    state.dataFolder = freshDataFolder();
    state.characterFiles = pictures;
    state.selectedFiles = {QStringLiteral("not a picture of this folder.gif")};
    const QString path = state.dataFolder + kSelectionFileName;
    writeWholeFile(path, input);
    bool warned = false;
    loadSelection(state, [&warned](const QString&) { warned = true; });
    fuzzCheck(!warned, "a warning although the folder can be written");
    fuzzCheck(isSubList(state.selectedFiles, pictures),
              "the game plays with pictures that are not the folder's, or out of order");
    fuzzCheck(folderHoldsOnly(state.dataFolder, kSelectionFileName),
              "a stray file left in the data folder");

    const QByteArray after = readWholeFile(path);
    const qint64 limit =
        std::max(kMaxTextFileBytes, qint64(selectionFileContents(pictures, {}).size()));
    const std::optional<QStringList> parsed = parseSelectionFile(input, pictures);
    if (parsed && input.size() <= limit) {
        fuzzCheck(after == input, "a selection file that fits the folder was rewritten");
        fuzzCheck(state.selectedFiles == *parsed, "the game does not play what the file says");
    } else {
        fuzzCheck(state.selectedFiles == pictures,
                  "after an unusable selection file not every picture is selected");
        fuzzCheck(after == selectionFileContents(pictures, pictures),
                  "an unusable selection file was not replaced by one selecting everything");
        fuzzCheck(parseSelectionFile(after, pictures) == pictures,
                  "the file written does not read back as every picture selected");
    }
    return 0;
}
