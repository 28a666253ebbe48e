#pragma once

#include <QString>

#include "platform/TextFile.h"  // FileSizeOf

namespace ld {

class IDialogs;

// The small text and number helpers that the settings reader, the scan, the
// exclusion file, the selection, the date display and the renaming share.
// Positions count characters (QChar); a blank is U+0020 only, a digit is
// "0" to "9" only. None of them depends on the locale.

// Blanks and hyphens dropped, ASCII letters upper-cased, accented letters
// replaced by their base letter (accented lower case stays lower case).
QString FoldAccents(const QString& text);

// Each digit becomes `digit`, every other character `other`; one more `other`
// is appended.
QString DigitMask(QChar digit, const QString& text, QChar other);

// Drops every character from U+0041 to U+007A inclusive (the ASCII letters
// and [ \ ] ^ _ `).
QString StripLetters(const QString& text);

// Up to the first ".": digits go to the number (TextToInt, default 0), every
// other character to the prefix.
void SplitDigits(const QString& text, QString& prefix, int& number, IDialogs& dialogs);

// Replaces the first occurrence of pattern in text (case-sensitive).
void ReplaceFirst(const QString& pattern, const QString& replacement, QString& text);

// Turns UTF-8 read as Windows-1252 (and a few doubly converted forms) back
// into single letters, in passes.
void RepairUtf8Text(QString& text);

int CountChar(QChar c, const QString& text);

// Trimmed of blanks; a single character left gets a "0" in front.
QString TwoDigitText(const QString& text);

// Raised to low, then lowered to high (so high wins when high < low).
void ClampInt(int& value, int low, int high);

// Trimmed of blanks; empty gives the default; otherwise a signed 32-bit
// decimal. A text that does not convert shows the conversion message and
// gives 0.
int TextToInt(const QString& text, int defaultValue, IDialogs& dialogs);

QString TrimRightSpaces(const QString& text);
QString TrimLeftSpaces(const QString& text);
QString TrimSpaces(const QString& text);

// Field n (1-based) of a text whose fields are separated by sep; runs of
// separators count as one, leading and trailing ones produce no empty field.
// An empty text gives "_extraitUTIL<>".
QString NthField(const QString& text, int n, QChar sep);

void ReplaceChar(QChar from, QChar to, QString& text);

// Strict decimal conversion of a signed 32-bit integer (optional sign, digits
// only). Nothing when the text is not such a number.
std::optional<int> ParseInt32(const QString& text);

// ParseInt32, throwing ld::Error("'<text>' n'est pas une valeur entière
// correcte") when the text is not a whole number.
int ToIntOrThrow(const QString& text);

}  // namespace ld
