#include "plugin/KRXLanguage.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

struct LanguageCodes {
    const char* twoLetter;
    const char* terminology;
    const char* bibliographic; // where it differs
};

// The languages DVB services carry subtitles in.
const LanguageCodes LANGUAGES[] = {
    { "ar", "ara", nullptr },
    { "bg", "bul", nullptr },
    { "ca", "cat", nullptr },
    { "cs", "ces", "cze" },
    { "cy", "cym", "wel" },
    { "da", "dan", nullptr },
    { "de", "deu", "ger" },
    { "el", "ell", "gre" },
    { "en", "eng", nullptr },
    { "es", "spa", nullptr },
    { "et", "est", nullptr },
    { "eu", "eus", "baq" },
    { "fa", "fas", "per" },
    { "fi", "fin", nullptr },
    { "fr", "fra", "fre" },
    { "ga", "gle", nullptr },
    { "gd", "gla", nullptr },
    { "gl", "glg", nullptr },
    { "he", "heb", nullptr },
    { "hi", "hin", nullptr },
    { "hr", "hrv", nullptr },
    { "hu", "hun", nullptr },
    { "is", "isl", "ice" },
    { "it", "ita", nullptr },
    { "ja", "jpn", nullptr },
    { "ko", "kor", nullptr },
    { "lt", "lit", nullptr },
    { "lv", "lav", nullptr },
    { "mk", "mkd", "mac" },
    { "mt", "mlt", nullptr },
    { "nb", "nob", nullptr },
    { "nl", "nld", "dut" },
    { "nn", "nno", nullptr },
    { "no", "nor", nullptr },
    { "pl", "pol", nullptr },
    { "pt", "por", nullptr },
    { "ro", "ron", "rum" },
    { "ru", "rus", nullptr },
    { "sk", "slk", "slo" },
    { "sl", "slv", nullptr },
    { "sq", "sqi", "alb" },
    { "sr", "srp", nullptr },
    { "sv", "swe", nullptr },
    { "tr", "tur", nullptr },
    { "uk", "ukr", nullptr },
    { "zh", "zho", "chi" },
};

CString Lower(const CString& text)
{
    CString lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return lower;
}

} // namespace

CString CanonicalLanguageCode(const CString& code)
{
    const CString lower = Lower(code);
    for (const LanguageCodes& language : LANGUAGES)
        if (language.bibliographic && lower == language.bibliographic)
            return language.terminology;
    return lower;
}

CString DescriptionLanguage(const CString& description)
{
    const size_t open = description.find('(');
    const size_t close = description.rfind(')');
    if (open == CString::npos || close == CString::npos || close < open)
        return "";
    // "(teletext 888, ita)": the language comes last.
    const size_t last = description.find_last_of(" ,", close);
    const size_t from = last != CString::npos && last > open ? last + 1 : open + 1;
    return description.substr(from, close - from);
}

CString LanguageFromLocale(const char* locale)
{
    if (!locale)
        return "";
    const CString lower = Lower(CString(locale, std::strcspn(locale, "_.@")));
    for (const LanguageCodes& language : LANGUAGES)
        if (lower == language.twoLetter)
            return language.terminology;
    return "";
}

CString GetLocaleLanguage()
{
    // The first variable set decides, as it does for the locale itself.
    for (const char* variable : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return LanguageFromLocale(value);
    }
    return "";
}
