#include "si/DVBText.h"

#include <gtest/gtest.h>

namespace {
struct Case {
    CString raw;
    CString decoded;
};

void ExpectDecoded(const std::vector<Case>& cases)
{
    for (const Case& c : cases)
        EXPECT_EQ(DVBTextToUTF8(c.raw), c.decoded) << c.raw;
}
} // namespace

TEST(DVBText, DefaultTableComposesDiacriticsWithTheFollowingLetter)
{
    ExpectDecoded({
        { "Magazine de la sant\xC2"
          "e pr\xC2"
          "esent\xC2"
          "e par Marina Carr\xC1"
          "ere",
            "Magazine de la santé présenté par Marina Carrère" },
        { "M\xC2"
          "et\xC2"
          "eo 2",
            "Météo 2" },
        { "\xC3"
          "Etre \xC8"
          "u \xCF"
          "c \xCB"
          "c \xCD"
          "o \xCA"
          "A",
            "Être ü č ç ő Å" },
        // A mark before a letter with no precomposed form combines after it.
        { "\xC2"
          "x",
            "x\u0301" },
        // A mark before a blank, a control code or the end is dropped.
        { "a\xC2 b\xC2\x8A"
          "c\xC2",
            "a b\nc" },
        { "5 \xA4, \xA9"
          "Q\xBA \xD3 \xE9\xFB",
            "5 €, ‘Q” © Øß" },
        { "a\xA6\xC0\xC9\xD8"
          "b",
            "ab" }, // places without a character
    });
}

TEST(DVBText, ControlCodesOfEveryTable)
{
    ExpectDecoded({
        { "\x86"
          "Film\x87 du soir\x8A"
          "suite\x80\x9F",
            "Film du soir\nsuite" },
        { "\x05\x86"
          "Film\x8A"
          "suite",
            "Film\nsuite" },
        { CString("\x11\xE0\x86\x00"
                  "A\xE0\x8A\x00"
                  "B\xE0\x87",
              11),
            "A\nB" },
        { "\x15\xEE\x82\x86"
          "A\xC2\x8A"
          "B\xEE\x82\x8A"
          "C",
            "A\nB\nC" },
        // Other control characters are left for the reader to present.
        { "A\x0B"
          "B\t",
            "A\x0B"
            "B\t" },
    });
}

TEST(DVBText, OneByteSelectorsPickTheISO8859Parts)
{
    ExpectDecoded({
        { "\x01\xBD\xDE\xD2\xDE\xE1\xE2\xD8", "Новости" }, // part 5
        { "\x04P1.1", "P1.1" }, // part 8
        { "\x05S\xFD"
          "cak \xDE"
          "ark\xFD"
          "lar",
            "Sıcak Şarkılar" }, // part 9
        { "\x0B\xA4 10", "€ 10" }, // part 15
        { "\x08"
          "Abc",
            "Abc" }, // no part 12: the default table
    });
}

TEST(DVBText, TwoByteSelectorNamesTheISO8859Part)
{
    ExpectDecoded({
        { CString("\x10\x00\x02Rom\xE2nia \xBAtiri", 16), "România ştiri" },
        { CString("\x10\x00\x01"
                  "Carr\xE8re",
              10),
            "Carrère" },
        { CString("\x10\x00\x0C"
                  "Abc",
              6),
            "Abc" },
        { CString("\x10\x00", 2), "" },
    });
}

TEST(DVBText, WideTables)
{
    ExpectDecoded({
        { CString("\x11\x00T\x00\xE9\x00l\x00\xE9\x04\x1D", 11), "TéléН" },
        // Odd length: the half character at the end is dropped; a surrogate is no character.
        { CString("\x11\x00T\x00\xE9\x00", 6), "Té" },
        { CString("\x11\xD8\x00\x00"
                  "A",
              5),
            "\uFFFDA" },
        { "\x12\xB4\xBA\xBD\xBA", "뉴스" },
        { "\x13\xD0\xC2\xCE\xC5", "新闻" },
        { "\x14\xB7\x73\xBB\x44", "新聞" },
        { "\x13\xD0\xC2\xCE", "新" }, // cut short in the second character
        { "\x13\xD0\xC2\xFF\xFF"
          "A",
            "新\uFFFD\uFFFDA" },
        { "\x15"
          "Caf\xC3\xA9",
            "Café" },
        { "\x15"
          "Caf\xC3",
            "Caf" },
        { "\x15"
          "a\xFF"
          "b\xED\xA0\x80",
            "a\uFFFDb\uFFFD\uFFFD\uFFFD" },
    });
}

TEST(DVBText, SelectorsWithoutTextAndUnknownSelectors)
{
    ExpectDecoded({
        { "", "" },
        { "\x05", "" },
        { "\x11", "" },
        { "\x15", "" },
        { "\x10", "" },
        { "\x1F"
          "Abc",
            "Abc" },
        { CString("\x00"
                  "Abc",
              4),
            "Abc" },
    });
}
