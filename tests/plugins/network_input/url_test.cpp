#include "KRXNetURL.h"

#include <gtest/gtest.h>

TEST(NetURL, ReadsEachKindWithItsParts)
{
    KRXNetURL url;
    CString error;
    ASSERT_TRUE(ParseNetURL("udp://@239.1.2.3:5000?iface=eth1", url, error)) << error;
    EXPECT_EQ(url.kind, KRXNetURL::UDP);
    EXPECT_TRUE(url.multicast);
    EXPECT_EQ(url.host, "239.1.2.3");
    EXPECT_EQ(url.port, 5000);
    EXPECT_EQ(url.interfaceName, "eth1");

    ASSERT_TRUE(ParseNetURL("rtp://10.0.0.5:1234/?ifaddr=10.0.0.2", url, error)) << error;
    EXPECT_EQ(url.kind, KRXNetURL::RTP);
    EXPECT_FALSE(url.multicast);
    EXPECT_EQ(url.host, "10.0.0.5");
    EXPECT_EQ(url.interfaceAddress, "10.0.0.2");

    ASSERT_TRUE(ParseNetURL("udp://:7000", url, error)) << error;
    EXPECT_EQ(url.host, "");
    EXPECT_EQ(url.port, 7000);

    ASSERT_TRUE(ParseNetURL("satip://192.168.1.9/?src=1&freq=11494&msys=dvbs2&pids=all", url, error)) << error;
    EXPECT_EQ(url.kind, KRXNetURL::SATIP);
    EXPECT_EQ(url.host, "192.168.1.9");
    EXPECT_EQ(url.port, 554);
    EXPECT_EQ(url.query, "src=1&freq=11494&msys=dvbs2&pids=all");

    ASSERT_TRUE(ParseNetURL("satip://[::1]:8554/?freq=474", url, error)) << error;
    EXPECT_EQ(url.host, "::1");
    EXPECT_EQ(url.port, 8554);

    ASSERT_TRUE(ParseNetURL("https://tv.example/live.ts", url, error)) << error;
    EXPECT_EQ(url.kind, KRXNetURL::HTTP);
}

TEST(NetURL, RefusesWhatItCannotReceiveSayingWhy)
{
    struct Case {
        const char* text;
        const char* reason;
    };
    const Case cases[] = {
        { "239.1.2.3:5000", "not a URL" },
        { "ftp://host/a.ts", "scheme 'ftp'" },
        { "udp://@239.1.2.3", "no port" },
        { "udp://host:0", "port '0'" },
        { "udp://host:65536", "port '65536'" },
        { "rtp://host:12x", "port '12x'" },
        { "udp://@:5000", "'@' needs a group" },
        { "udp://@239.1.2.3:5000?ttl=4", "unknown option 'ttl=4'" },
        { "satip://server/", "no tuning query" },
        { "satip:///?freq=1", "no server" },
        { "satip://[::1/?freq=1", "unclosed '['" },
        { "http:///x", "no server" },
    };
    for (const Case& test : cases) {
        KRXNetURL url;
        CString error;
        EXPECT_FALSE(ParseNetURL(test.text, url, error)) << test.text;
        EXPECT_NE(error.find(test.reason), CString::npos) << test.text << ": " << error;
    }
}
