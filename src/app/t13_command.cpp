#include "app/t13_command.h"

#include "app/app.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"
#include "timesheet/t13_form.h"

#include <QDir>
#include <QRegularExpression>
#include <QTextStream>

namespace app {

namespace {

const QString Flag = QStringLiteral("--t13");

struct Arguments {
    int year = 0;
    int month = 0;
    QString file;
    QStringList connection; // DATABASE SERVER, or none
    QString user;           // --user NAME: a person's own login
    timesheet::t13::Heading heading;
};

struct BadArguments {
    QString message;
};

const QString Usage =
    QStringLiteral("вызов: tabel --t13 ГГГГ-ММ ФАЙЛ.xlsx|ФАЙЛ.pdf [БАЗА СЕРВЕР] [--org "
                   "ОРГАНИЗАЦИЯ] [--dept ПОДРАЗДЕЛЕНИЕ] [--user ИМЯ]");

Arguments parse(const QStringList& args) {
    Arguments a;
    QStringList positional;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        QString* option = arg == u"--org"    ? &a.heading.organisation
                          : arg == u"--dept" ? &a.heading.department
                          : arg == u"--user" ? &a.user
                                             : nullptr;
        if (option) {
            if (i + 1 >= args.size())
                throw BadArguments{QStringLiteral("после %1 нужен текст; %2").arg(arg, Usage)};
            *option = args[++i];
        } else if (arg.startsWith(QStringLiteral("--org="))) {
            a.heading.organisation = arg.mid(6);
        } else if (arg.startsWith(QStringLiteral("--dept="))) {
            a.heading.department = arg.mid(7);
        } else if (arg.startsWith(QStringLiteral("--user="))) {
            a.user = arg.mid(7);
        } else if (arg.startsWith(QStringLiteral("--"))) {
            throw BadArguments{QStringLiteral("неизвестный параметр «%1»; %2").arg(arg, Usage)};
        } else {
            positional << arg;
        }
    }
    if (positional.size() != 2 && positional.size() != 4) {
        if (positional.size() == 3)
            throw BadArguments{
                QStringLiteral("укажите и базу данных, и сервер (или ни того, ни другого); ") +
                Usage};
        throw BadArguments{Usage};
    }
    static const QRegularExpression monthText(QStringLiteral("^(\\d{4})-(\\d{2})$"));
    const QRegularExpressionMatch m = monthText.match(positional[0]);
    a.year = m.hasMatch() ? m.captured(1).toInt() : 0;
    a.month = m.hasMatch() ? m.captured(2).toInt() : 0;
    if (a.year < 1900 || a.month < 1 || a.month > 12)
        throw BadArguments{
            QStringLiteral("неверный месяц «%1»: нужен вид ГГГГ-ММ, например 2026-03")
                .arg(positional[0])};
    a.file = positional[1];
    if (a.file.isEmpty()) throw BadArguments{QStringLiteral("не указан файл; ") + Usage};
    a.connection = positional.mid(2);
    return a;
}

// A server's message on one line.
QString oneLine(const QString& text) {
    return text.simplified();
}

} // namespace

bool isT13Command(const QStringList& args) {
    return !args.isEmpty() && args.first() == Flag;
}

int runT13Command(const QStringList& args, QTextStream& errors) {
    const auto fail = [&](const QString& message, int code) {
        errors << "tabel: " << message << Qt::endl;
        return code;
    };
    Arguments a;
    try {
        a = parse(args);
    } catch (const BadArguments& bad) {
        return fail(bad.message, T13BadArguments);
    }
    data::Connection connection;
    // a person's login takes the password from PGPASSWORD or the password file
    QStringList params = a.connection;
    if (!a.user.isEmpty()) params << QStringLiteral("--user") << a.user;
    connection.setConnectionString(connectionStringFor(params));
    try {
        connection.open();
    } catch (const data::DbError& e) {
        const Login login = loginOf(params);
        if (login.personal() && passwordWanted(e.message()))
            return fail(QStringLiteral("сервер не принял пользователя %1: укажите пароль в "
                                       "PGPASSWORD или в файле паролей (~/.pgpass)")
                            .arg(login.user),
                        T13Failed);
        const QString where =
            a.connection.isEmpty()
                ? QStringLiteral("korvast на сервере %1").arg(builtInServer())
                : QStringLiteral("%1 на сервере %2").arg(a.connection[0], a.connection[1]);
        return fail(QStringLiteral("нет подключения к базе данных %1").arg(where), T13Failed);
    }
    try {
        data::Query rows(connection);
        timesheet::t13::writeForm(rows, a.year, a.month, a.heading, a.file);
    } catch (const data::DbError& e) {
        return fail(QStringLiteral("ошибка базы данных: ") + oneLine(e.message()), T13Failed);
    } catch (const timesheet::t13::FormError& e) {
        return fail(oneLine(QString::fromUtf8(e.what())), T13Failed);
    } catch (const std::exception& e) {
        return fail(oneLine(QString::fromUtf8(e.what())), T13Failed);
    }
    return T13Written;
}

} // namespace app
