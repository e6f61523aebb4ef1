#include "WireCodec.h"

#include <QTextCodec>

namespace {
QTextCodec& codec()
{
    // Owned by Qt for the whole process; looked up once.
    static QTextCodec* const windows1250 = QTextCodec::codecForName("Windows-1250");
    Q_ASSERT(windows1250);
    return *windows1250;
}
} // namespace

namespace WireCodec {
QByteArray encode(const QString& text)
{
    return codec().fromUnicode(text);
}

QString decode(QByteArrayView bytes)
{
    return codec().toUnicode(bytes.data(), static_cast<int>(bytes.size()));
}
} // namespace WireCodec
