#include "plugin/DVBTeletextPage.h"

namespace {

void AppendUtf8(CString& text, char32_t character)
{
    if (character < 0x80) {
        text += char(character);
    } else if (character < 0x800) {
        text += char(0xC0 | character >> 6);
        text += char(0x80 | (character & 0x3F));
    } else if (character < 0x10000) {
        text += char(0xE0 | character >> 12);
        text += char(0x80 | (character >> 6 & 0x3F));
        text += char(0x80 | (character & 0x3F));
    } else {
        text += char(0xF0 | character >> 18);
        text += char(0x80 | (character >> 12 & 0x3F));
        text += char(0x80 | (character >> 6 & 0x3F));
        text += char(0x80 | (character & 0x3F));
    }
}

// Control codes and block mosaics have no text; they show as blanks.
bool IsPrintable(char32_t character)
{
    return character >= 0x20 && character != 0x7F && !(character >= 0xEE00 && character <= 0xEFFF);
}

} // namespace

CString CDVBTeletextPage::GetRowText(int row) const
{
    int end = COLUMNS;
    while (end > 0 && !(IsPrintable(Cell(row, end - 1).character) && Cell(row, end - 1).character != U' '))
        --end;
    CString text;
    for (int column = 0; column < end; ++column) {
        const char32_t character = Cell(row, column).character;
        AppendUtf8(text, IsPrintable(character) ? character : U' ');
    }
    return text;
}

CString CDVBTeletextPage::GetText() const
{
    CString text;
    for (int row = 1; row < ROWS; ++row) {
        const CString line = GetRowText(row);
        const size_t start = line.find_first_not_of(' ');
        if (start != CString::npos)
            text += line.substr(start) + "\n";
    }
    return text;
}

bool CDVBTeletextPage::IsBlank() const
{
    return GetText().empty();
}
