#include "core/MessageTable.h"

#include <QFile>

#include "platform/Error.h"

namespace modMain {

namespace {

constexpr const char* kResource = ":/messages/messages.tsv";

QString unescape(QStringView s, bool* ok) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        QChar c = s[i];
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i == s.size()) {
            *ok = false;
            return {};
        }
        switch (s[i].unicode()) {
            case u't':
                out += u'\t';
                break;
            case u'r':
                out += u'\r';
                break;
            case u'n':
                out += u'\n';
                break;
            case u'\\':
                out += u'\\';
                break;
            default:
                *ok = false;
                return {};
        }
    }
    *ok = true;
    return out;
}

[[noreturn]] void badTable(const QString& why) {
    throw wk::Error(wk::err::ResourceNotFound, QStringLiteral("Message table damaged: %1").arg(why));
}

}  // namespace

MessageTable MessageTable::parse(const QByteArray& utf8) {
    MessageTable t;
    const QString all = QString::fromUtf8(utf8);
    const QString web = QStringLiteral(WK_MAKER_WEB);
    const QString mail = QStringLiteral(WK_MAKER_MAIL);
    int lineNo = 0;
    // Split at LF only: a CR inside a text is always escaped.
    for (QStringView line : QStringView(all).split(u'\n')) {
        ++lineNo;
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        const qsizetype tab = line.indexOf(u'\t');
        bool numOk = false;
        const qint32 key = tab > 0 ? line.left(tab).toInt(&numOk) : 0;
        if (!numOk) badTable(QStringLiteral("line %1 has no key").arg(lineNo));
        bool escOk = false;
        QString text = unescape(line.mid(tab + 1), &escOk);
        if (!escOk) badTable(QStringLiteral("line %1 has a bad escape").arg(lineNo));
        if (t.texts_.contains(key)) badTable(QStringLiteral("key %1 appears twice").arg(key));
        text.replace(QLatin1String("{WEB}"), web);
        text.replace(QLatin1String("{MAIL}"), mail);
        t.texts_.insert(key, text);
    }
    return t;
}

const MessageTable& MessageTable::instance() {
    static const MessageTable table = [] {
        QFile f(QString::fromLatin1(kResource));
        if (!f.open(QIODevice::ReadOnly))
            throw wk::Error(wk::err::ResourceNotFound,
                            QStringLiteral("Message table %1 not found").arg(kResource));
        return parse(f.readAll());
    }();
    return table;
}

const QString& MessageTable::text(qint32 key) const {
    auto it = texts_.constFind(key);
    if (it == texts_.constEnd())
        throw wk::Error(wk::err::ResourceNotFound,
                        QStringLiteral("Resource with identifier '%1' not found").arg(key));
    return *it;
}

}  // namespace modMain
