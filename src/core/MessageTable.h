#pragma once
// The table of every user-visible text, German and English, keyed by
// message id + 10000 (German) or + 20000 (English). It is shipped as a
// resource and read once, on first use.

#include <QHash>
#include <QList>
#include <QString>

namespace modMain {

class MessageTable {
public:
    // The table of the running program, loaded from ":/messages/messages.tsv".
    static const MessageTable& instance();

    // Parses the table format: one entry per line, "key<TAB>text", where the
    // text escapes \t, \r, \n and \\. Empty lines and lines starting with '#'
    // are skipped. {WEB} and {MAIL} become the maker's addresses.
    // Raises wk::Error 326 on a malformed line or a duplicate key.
    static MessageTable parse(const QByteArray& utf8);

    bool contains(qint32 key) const { return texts_.contains(key); }
    // Raises wk::Error 326 (resource not found) for a key the table lacks.
    const QString& text(qint32 key) const;
    QList<qint32> keys() const { return texts_.keys(); }
    qsizetype size() const { return texts_.size(); }

private:
    QHash<qint32, QString> texts_;
};

}  // namespace modMain
