#include "screens/record_words.h"

#include <QDir>

namespace RecordWords {

const QString kTitle = QStringLiteral("こどもの記録");

QString problem(const RecordProblem& p) {
    const QString path = QDir::toNativeSeparators(p.path);
    const QString detail = p.detail.isEmpty() ? QStringLiteral("—") : p.detail;
    switch (p.kind) {
        case RecordProblem::Damaged:
            return QStringLiteral(
                       "こどもの記録のファイルが壊れていたので、"
                       "「%1」という名前で残し、新しい記録を始めました。\n"
                       "こどもをもう一度登録してください。")
                .arg(QDir::toNativeSeparators(p.detail));
        case RecordProblem::DamagedLater:
            return QStringLiteral(
                       "こどもの記録のファイルが壊れていたので、「%1」という名前で残しました。\n"
                       "今は記録せずに遊びます。次に始めるときに新しい記録を始めるので、こどもを"
                       "もう一度登録してください。")
                .arg(QDir::toNativeSeparators(p.detail));
        case RecordProblem::Newer:
            return QStringLiteral(
                       "こどもの記録のファイル「%1」は、"
                       "新しい版のかぞえましょうで作られています。\n"
                       "ファイルはそのままにして、記録せずに遊びます。")
                .arg(path);
        case RecordProblem::Unusable:
            return QStringLiteral(
                       "こどもの記録のファイル「%1」を読み書きできません。\n記録せずに遊びます。"
                       "\n（%2）")
                .arg(path, detail);
        case RecordProblem::Busy:
            return QStringLiteral(
                       "こどもの記録のファイル「%1」を、ほかのプログラムが使っています。\n"
                       "しばらく記録せずに遊び、あとでもう一度ためします。")
                .arg(path);
        case RecordProblem::NotMade:
            return QStringLiteral("こどもの記録のファイル「%1」を作れませんでした。\n（%2）")
                .arg(path, detail);
        case RecordProblem::WriteFailed:
            return QStringLiteral("こどもの記録に書き込めませんでした。\n（%1）").arg(p.detail);
        case RecordProblem::RoundLost:
            return QStringLiteral(
                       "こどもの記録を書き込めませんでした。その回の記録はありません。\n（%1）")
                .arg(p.detail);
    }
    return {};
}

}  // namespace RecordWords
