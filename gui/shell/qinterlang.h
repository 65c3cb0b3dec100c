#pragma once
// Qt's way into the translation table: forms carry the key as disambiguation and an English
// source text; the translator answers with the key's text in the current language.
#include <QTranslator>

class QInterlang : public QTranslator {
    Q_OBJECT

public:
    explicit QInterlang(QObject* parent = nullptr);

    // Returns the text of the disambiguation as a key, else the text of the source text as a key
    // (the source text itself when it is no key); empty while the table is not ready.
    QString translate(const char* context, const char* source_text, const char* disambiguation = nullptr,
                      int n = -1) const override;
    // True unless the table is ready.
    bool isEmpty() const override;
};
