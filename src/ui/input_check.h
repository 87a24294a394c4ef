// Checks of typed values against the columns they are written to, made before any
// statement: a value that does not fit is refused with an error box naming the field, so
// that the server never answers in English and nothing is cut or changed on the way.
#pragma once

#include <QDate>
#include <QString>
#include <optional>

class QLabel;
class QLineEdit;

namespace ui {

// A box that takes a whole number: a key or a paste that would put anything but digits into
// it leaves the text as it was and shows WholeNumberHint beside the box, so "1,5" never
// becomes "15" unnoticed. Digits typed into a value set from the program that holds a point
// (a stored quantity of 12.5) keep the point.
inline constexpr const char* WholeNumberHint = "Только целое число";
void wholeNumberBox(QLineEdit* box);
// The hint beside a box of wholeNumberBox(), shown or hidden; none for another box.
QLabel* hintOf(const QLineEdit* box);

// Characters as the server counts them: one for a character outside the BMP too.
qsizetype characters(const QString& text);

// True when text has at most maxChars characters; otherwise says so, naming the field.
bool fitsText(const QString& text, qsizetype maxChars, const QString& field);

// A decimal number typed with a point or a comma (blanks around it allowed), of at most 15
// significant digits, what a double keeps exactly; nothing when the text is anything else.
// tooLong tells a number refused for its length alone (more digits or a greater value than
// a double keeps).
std::optional<double> decimalNumber(const QString& typed, bool* tooLong = nullptr);

// The decimal number typed into a field; otherwise an error box, notANumber for a text that
// is no number, or one naming the field for a number longer than a double keeps.
std::optional<double> typedNumber(const QString& typed, const QString& field,
                                  const QString& notANumber);

// The day the question below counts from: today, unless a test has fixed another day
// (an invalid date gives today back).
QDate today();
void setToday(const QDate& day);

// True when day lies within a year of today() either way; a day further away (a mistyped
// year, most often) is saved only when the user answers Yes to the question.
bool confirmFarDate(const QDate& day);

} // namespace ui
