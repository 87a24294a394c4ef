#include "app/qt_russian.h"

#include <QApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>

namespace app {

namespace {

// Asked before qtbase_ru; a text it does not know is left to that.
class Supplement : public QTranslator {
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (!context || !source) return {};
        const QByteArray ctx(context);
        const QString text = QString::fromUtf8(source);
        if (ctx == "QPageSize") return paperName(text);
        return fixed().value(ctx + '\x04' + QByteArray(source));
    }

private:
    static const QHash<QByteArray, QString>& fixed() {
        static const QHash<QByteArray, QString> texts{
            {"QAbstractFileIconProvider\x04"
             "Folder",
             QStringLiteral("Папка")},
            {"QAbstractFileIconProvider\x04"
             "Drive",
             QStringLiteral("Диск")},
            {"QAbstractFileIconProvider\x04"
             "File",
             QStringLiteral("Файл")},
            {"QAbstractFileIconProvider\x04"
             "%1 File",
             QStringLiteral("Файл %1")},
            {"QAbstractFileIconProvider\x04"
             "Shortcut",
             QStringLiteral("Ярлык")},
            {"QAbstractFileIconProvider\x04"
             "Alias",
             QStringLiteral("Псевдоним")},
            {"QAbstractFileIconProvider\x04"
             "Unknown",
             QStringLiteral("Неизвестно")},
            // in Cyrillic letters, as Russian programs write it
            {"QPlatformTheme\x04"
             "OK",
             QStringLiteral("ОК")},
        };
        return texts;
    }

    // A paper's name with its English words in Russian; the standard's letters and
    // numbers (A4, ANSI B, C5, JIS) stay.
    static QString paperName(const QString& source) {
        static const QHash<QString, QString> words{
            {"Letter", "Письмо"},
            {"Legal", "Юридический"},
            {"Executive", "Деловой"},
            {"Envelope", "Конверт"},
            {"Folio", "Фолио"},
            {"Ledger", "Гроссбух"},
            {"Tabloid", "Таблоид"},
            {"Extra", "увеличенный"},
            {"Plus", "плюс"},
            {"Small", "уменьшенный"},
            {"Architect", "Архитектурный"},
            {"Note", "Записка"},
            {"Quarto", "Кварто"},
            {"Statement", "Выписка"},
            {"Super", "Супер"},
            {"Postcard", "открытка"},
            {"Double", "Двойная"},
            {"PRC", "КНР"},
            {"Big", "большой"},
            {"Fan-fold", "Фальцованная"},
            {"US", "США"},
            {"German", "немецкая"},
            {"Monarch", "Монарх"},
            {"Personal", "личный"},
            {"Chou", "Тё"},
            {"Kaku", "Каку"},
            {"You", "Ё"},
            {"Invite", "пригласительный"},
            {"Italian", "итальянский"},
            {"Hagaki", "Хагаки"},
            {"Oufuku", "Оуфуку"},
            {"Custom", "Особый"},
            {"in", "дюйм."},
            {"mm", "мм"},
            {"pt", "пт"},
            {"Imperial", "британский"},
            {"Doc", "Док."},
            {"Card", "карточка"},
        };
        static const QRegularExpression word(QStringLiteral("[A-Za-z][A-Za-z-]*"));
        QString out;
        qsizetype at = 0;
        for (auto it = word.globalMatch(source); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            out += source.mid(at, m.capturedStart() - at);
            out += words.value(m.captured(), m.captured());
            at = m.capturedEnd();
        }
        return out + source.mid(at);
    }
};

} // namespace

void installQtRussian(QApplication& application) {
    auto* qt = new QTranslator(&application);
    if (qt->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        application.installTranslator(qt);
    // installed last, asked first
    application.installTranslator(new Supplement(&application));
}

} // namespace app
