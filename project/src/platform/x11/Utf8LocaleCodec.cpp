#include "Utf8LocaleCodec.h"

#include <cstring>
#include <langinfo.h>
#include <locale.h>

namespace {
bool locale_is_utf8() {
    // The environment's locale, as setlocale(LC_ALL, "") will make it, without changing the
    // process's own before Qt does.
    const locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr))
        return false;
    const char* codeset = nl_langinfo_l(CODESET, locale);
    const bool utf8 =
        codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
    freelocale(locale);
    return utf8;
}

bool is_ascii(const char* in, int length) {
    for (int i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(in[i]) >= 0x80)
            return false;
    }
    return true;
}

bool is_ascii(const QChar* in, int length) {
    for (int i = 0; i < length; ++i) {
        if (in[i].unicode() >= 0x80)
            return false;
    }
    return true;
}
} // namespace

bool Utf8LocaleCodec::install() {
    if (!locale_is_utf8())
        return false;
    // Qt owns registered codecs and deletes them when it ends.
    QTextCodec::setCodecForLocale(new Utf8LocaleCodec);
    return true;
}

QByteArray Utf8LocaleCodec::name() const {
    return QByteArrayLiteral("UTF-8 locale");
}

int Utf8LocaleCodec::mibEnum() const {
    return 106; // UTF-8
}

QTextCodec* Utf8LocaleCodec::utf8() const {
    QTextCodec* codec = m_utf8.load(std::memory_order_acquire);
    if (!codec) {
        codec = QTextCodec::codecForName(QByteArrayLiteral("UTF-8"));
        m_utf8.store(codec, std::memory_order_release);
    }
    return codec;
}

QString Utf8LocaleCodec::convertToUnicode(const char* in, int length, ConverterState* state) const {
    // A state carries partial sequences and the byte order mark's handling across calls: only
    // Qt's codec keeps it right.
    if (!state && is_ascii(in, length))
        return QString::fromLatin1(in, length);
    if (QTextCodec* codec = utf8())
        return codec->toUnicode(in, length, state);
    return QString::fromUtf8(in, length);
}

QByteArray Utf8LocaleCodec::convertFromUnicode(const QChar* in, int length,
                                               ConverterState* state) const {
    if (!state && is_ascii(in, length)) {
        QByteArray bytes(length, Qt::Uninitialized);
        for (int i = 0; i < length; ++i)
            bytes[i] = static_cast<char>(in[i].unicode());
        return bytes;
    }
    if (QTextCodec* codec = utf8())
        return codec->fromUnicode(in, length, state);
    // Converted from a copy: the raw characters are the caller's and must not be written.
    return QString(in, length).toUtf8();
}
