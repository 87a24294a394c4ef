// The expression language and the number masks of report items.
#include "report_engine/expression.h"
#include "report_engine/layout.h"
#include "report_engine/prepare.h"
#include "report_engine/rows.h"

#include <QtTest>

using namespace report;

namespace {

// Evaluates an expression over the one row of the given fields.
QString eval(const QString& source, const QStringList& fields, const QVariantList& values,
             const QString& mask = QString()) {
    MemoryRows rows(fields);
    rows.add(values);
    Binder binder;
    binder.fieldIndex = [&](const QString& n) { return rows.fieldIndex(n); };
    std::vector<Compiled> sums;
    binder.newSum = [&](Compiled c) {
        sums.push_back(std::move(c));
        return int(sums.size()) - 1;
    };
    const Compiled c = compile(Expression::parse(source), binder);
    std::vector<double> totals(sums.size(), 0.0);
    EvalContext ctx{&rows, 0, 7, &totals};
    return formatValue(evaluate(c, ctx), mask);
}

const QString kColour =
    QStringLiteral("if(color>0,if(color=1,' (грунт)',' (RAL: '+STR(color)+')'),' ')");

} // namespace

class ExpressionTest : public QObject {
    Q_OBJECT
private slots:
    void evaluates_data();
    void evaluates();
    void masks_data();
    void masks();
    void malformed_data();
    void malformed();
    void unknownFieldNamed();
};

void ExpressionTest::evaluates_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QVariantList>("values"); // of the fields a, b, s, color, naimen
    QTest::addColumn<QString>("expected");
    const QVariant null;
    QTest::newRow("numbers add") << "a+b" << QVariantList{2, 3.5} << "5.5";
    QTest::newRow("precedence") << "a+b*2-(a-b)/2" << QVariantList{4, 2} << "7";
    QTest::newRow("unary minus") << "-a*-b" << QVariantList{3, 2} << "6";
    QTest::newRow("texts join") << "s+'-'+s" << QVariantList{null, null, "ab"} << "ab-ab";
    QTest::newRow("quote inside a text") << "'O''Нил'" << QVariantList{} << "O'Нил";
    QTest::newRow("decimal text adds to a number")
        << "a+s" << QVariantList{1, null, "12.25"} << "13.25";
    QTest::newRow("null adds nothing") << "a+b+a" << QVariantList{null, 4} << "4";
    QTest::newRow("all null prints empty") << "a+b" << QVariantList{null, null} << "";
    QTest::newRow("division by zero prints empty") << "a/b" << QVariantList{1, 0} << "";
    QTest::newRow("comparison true") << "IF(a>=b,'да','нет')" << QVariantList{2, 2} << "да";
    QTest::newRow("not equal") << "if(a<>b,'да','нет')" << QVariantList{2, 2} << "нет";
    QTest::newRow("text comparison") << "IF(s='ab',1,0)" << QVariantList{null, null, "ab"} << "1";
    QTest::newRow("and/or") << "if(a>1 and b>1 or not (a=0),'y','n')" << QVariantList{0, 5} << "n";
    QTest::newRow("STR of a number") << "STR(a)+'|'" << QVariantList{9003} << "9003|";
    QTest::newRow("STR of a fraction") << "STR(a)" << QVariantList{2.5} << "2.5";
    QTest::newRow("page number") << "PAGENUMBER" << QVariantList{} << "7";
    QTest::newRow("qualified field") << "t_Report.a * 2" << QVariantList{21} << "42";
    QTest::newRow("stage 0") << "IF(naimen=0,'Готовая продукция','Заготовки')"
                             << QVariantList{null, null, null, null, 0} << "Готовая продукция";
    QTest::newRow("stage 1") << "IF(naimen=0,'Готовая продукция','Заготовки')"
                             << QVariantList{null, null, null, null, 1} << "Заготовки";
    QTest::newRow("colour 0") << kColour << QVariantList{null, null, null, 0} << " ";
    QTest::newRow("colour 1") << kColour << QVariantList{null, null, null, 1} << " (грунт)";
    QTest::newRow("colour 9003") << kColour << QVariantList{null, null, null, 9003}
                                 << " (RAL: 9003)";
    QTest::newRow("colour null") << kColour << QVariantList{null, null, null, null} << " ";
}

void ExpressionTest::evaluates() {
    QFETCH(QString, source);
    QFETCH(QVariantList, values);
    QFETCH(QString, expected);
    QCOMPARE(eval(source, {"a", "b", "s", "color", "naimen"}, values), expected);
}

void ExpressionTest::masks_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two decimals") << QVariant(1234.5) << "#0.00"
                                  << "1234.50";
    QTest::newRow("three decimals") << QVariant(12.3456) << "#0.000"
                                    << "12.346";
    QTest::newRow("half up on the decimal form") << QVariant(2.675) << "#0.00"
                                                 << "2.68";
    QTest::newRow("half up, three decimals") << QVariant(1.0005) << "#0.000"
                                             << "1.001";
    QTest::newRow("carry into the integer") << QVariant(9.9996) << "#0.000"
                                            << "10.000";
    QTest::newRow("no decimals") << QVariant(2.5) << "#0"
                                 << "3";
    QTest::newRow("negative rounds away from zero") << QVariant(-2.5) << "#0"
                                                    << "-3";
    QTest::newRow("small negative is zero") << QVariant(-0.004) << "#0.00"
                                            << "0.00";
    QTest::newRow("below one keeps the zero") << QVariant(0.5) << "#0.00"
                                              << "0.50";
    QTest::newRow("integer value") << QVariant(qlonglong(7)) << "#0.000"
                                   << "7.000";
    QTest::newRow("exact decimal text") << QVariant("1234.5") << "#0.00"
                                        << "1234.50";
    QTest::newRow("grouping") << QVariant(1234567.891) << "#,##0.00"
                              << "1\u00a0234\u00a0567.89";
    QTest::newRow("plain fraction") << QVariant(12.5) << ""
                                    << "12.5";
    QTest::newRow("plain integer") << QVariant(3.0) << ""
                                   << "3";
    QTest::newRow("plain sum noise") << QVariant(0.1 + 0.2) << ""
                                     << "0.3";
    QTest::newRow("null") << QVariant() << "#0.00"
                          << "";
    QTest::newRow("text is no number") << QVariant("СТ-100") << "#0.00"
                                       << "СТ-100";
}

void ExpressionTest::masks() {
    QFETCH(QVariant, value);
    QFETCH(QString, mask);
    QFETCH(QString, expected);
    QCOMPARE(eval("v", {"v"}, {value}, mask), expected);
}

void ExpressionTest::malformed_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("position");
    QTest::newRow("unclosed call") << "sum(kolvo" << 10;
    QTest::newRow("missing operand") << "a +" << 4;
    QTest::newRow("unclosed text") << "if(color=1,' (грунт)" << 12;
    QTest::newRow("unknown function") << "avg(kolvo)" << 1;
    QTest::newRow("wrong count of arguments") << "IF(a>0,'x')" << 1;
    QTest::newRow("stray sign") << "a ? b" << 3;
    QTest::newRow("text after the end") << "a b" << 3;
    QTest::newRow("empty") << "  " << 1;
}

void ExpressionTest::malformed() {
    QFETCH(QString, source);
    QFETCH(int, position);
    try {
        LayoutBuilder b;
        b.detail(5).expr(0, 10, source);
        QFAIL("a malformed expression was accepted");
    } catch (const Error& e) {
        QVERIFY2(e.message().startsWith(QStringLiteral("Ошибка в выражении \"%1\" в позиции %2:")
                                            .arg(source)
                                            .arg(position)),
                 qPrintable(e.message()));
    }
}

void ExpressionTest::unknownFieldNamed() {
    LayoutBuilder b;
    b.detail(5).expr(0, 10, QStringLiteral("sum(kolvo)+kol"));
    MemoryRows rows({"kolvo"});
    try {
        prepare(b.build(), rows);
        QFAIL("an unknown field was accepted");
    } catch (const Error& e) {
        QCOMPARE(e.message(), QStringLiteral("Поле \"kol\" не найдено"));
    }
}

QTEST_MAIN(ExpressionTest)
#include "tst_expression.moc"
