#pragma once

#include <QTextCodec>

#include <atomic>

// The locale's codec when the locale's character set is UTF-8. Qt built with ICU asks ICU for
// the locale's converter by name at start-up, which maps ICU's converter code and alias tables
// (0.8 MB resident) for text that is nearly always plain ASCII: file names, environment
// variables. ASCII without a conversion state is converted here, byte for byte as UTF-8 does;
// everything else goes to Qt's own UTF-8 codec, looked up when first needed.
class Utf8LocaleCodec : public QTextCodec {
public:
    // Makes a codec of this kind the locale's codec when the locale's character set is UTF-8;
    // true when it did. Before QCoreApplication, whose start-up asks for the codec.
    static bool install();

    // Not "UTF-8": a look-up of Qt's own UTF-8 codec by that name must not find this one.
    QByteArray name() const override;
    int mibEnum() const override;

protected:
    QString convertToUnicode(const char* in, int length, ConverterState* state) const override;
    QByteArray convertFromUnicode(const QChar* in, int length,
                                  ConverterState* state) const override;

private:
    QTextCodec* utf8() const;

    mutable std::atomic<QTextCodec*> m_utf8{nullptr};
};
