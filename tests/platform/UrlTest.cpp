#include "platform/Url.h"

#include <gtest/gtest.h>

namespace yomida {
namespace {

TEST(Url, ParseTakesApartWhatARequestNeeds) {
    struct Case {
        const char* text;
        const char* scheme;
        const char* host;
        int port;  // 0: none named
        const char* target;
        const char* authority;  // with 80 as the default port
    };
    const Case cases[] = {
        {"http://www.example.com/list?x=1#top", "http", "www.example.com", 0, "/list?x=1",
         "www.example.com"},
        {"HTTPS://Example.com:8443", "https", "Example.com", 8443, "/", "Example.com:8443"},
        {"http://127.0.0.1:80/a", "http", "127.0.0.1", 80, "/a", "127.0.0.1"},
        {"http://[::1]:8080/v6?q", "http", "::1", 8080, "/v6?q", "[::1]:8080"},
        {"http://h?only=query", "http", "h", 0, "/?only=query", "h"},
        {"http://h:/x", "http", "h", 0, "/x", "h"},
        {"ftp://h/x y", "ftp", "h", 0, "/x%20y", "h"},
    };
    for (const Case& c : cases) {
        const std::optional<Url> url = Url::Parse(c.text);
        ASSERT_TRUE(url) << c.text;
        EXPECT_EQ(url->Scheme(), c.scheme) << c.text;
        EXPECT_EQ(url->Host(), c.host) << c.text;
        EXPECT_EQ(url->Port().value_or(0), c.port) << c.text;
        EXPECT_EQ(url->Target(), c.target) << c.text;
        EXPECT_EQ(url->Authority(80), c.authority) << c.text;
    }
    EXPECT_EQ(Url::Parse("http://h/p?q#f")->Text(), "http://h/p?q");

    for (const char* refused :
         {"", "/path", "www.example.com/x", "http://", "http:///x", "http://u:p@h/",
          "http://h:65536/", "http://h:0/", "http://h:8o/", "http://[::1/", "http://[v1.x]/",
          "http://a b/", "http://a!b/", "http://h\r\nX: 1/"}) {
        EXPECT_FALSE(Url::Parse(refused)) << refused;
    }
}

TEST(Url, EncodeEscapesWhatNoUrlHolds) {
    const std::pair<std::string, std::string> cases[] = {
        {"http://h/a-._~:/?@!$&'()*+,;=", "http://h/a-._~:/?@!$&'()*+,;="},
        {"http://h/a b", "http://h/a%20b"},
        {"http://h/%41%zz%4", "http://h/%41%25zz%254"},
        {"http://[::1]:1/a[b]", "http://[::1]:1/a%5Bb%5D"},
        {"/p?q=\x83\x52\x96\x7b", "/p?q=%83R%96%7B"},
        {"http://h/\r\n\t\x7f", "http://h/%0D%0A%09%7F"},
        {std::string("a\0b", 3), "a%00b"},
        {"a#b#c", "a#b%23c"},
        {"{}|\\^`\"<>", "%7B%7D%7C%5C%5E%60%22%3C%3E"},
    };
    for (const auto& [text, encoded] : cases) {
        EXPECT_EQ(Url::Encode(text), encoded) << text;
    }
}

TEST(Url, ResolveReadsAReferenceAgainstItsPage) {
    const std::optional<Url> base = Url::Parse("http://a/b/c/d;p?q");
    ASSERT_TRUE(base);
    const std::pair<const char*, const char*> cases[] = {
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q"},
        {";x", "http://a/b/c/;x"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"g;x=1/../y", "http://a/b/c/y"},
        {"https://other:8443/x", "https://other:8443/x"},
        {"sub/t 1.html", "http://a/b/c/sub/t%201.html"},
    };
    for (const auto& [reference, resolved] : cases) {
        const std::optional<Url> url = base->Resolve(reference);
        ASSERT_TRUE(url) << reference;
        EXPECT_EQ(url->Text(), resolved) << reference;
    }
    EXPECT_FALSE(base->Resolve("http://u@h/"));
    EXPECT_FALSE(base->Resolve("//[::1"));
}

TEST(Url, HostAndPortOfASetting) {
    for (const char* usable :
         {"www.mangaoh.co.jp", "127.0.0.1:8080", "[::1]", "[::1]:8443", "host:", "a_b-c.d"}) {
        EXPECT_TRUE(Url::IsHostAndPort(usable)) << usable;
    }
    for (const char* refused : {"", "host name", "host\r\nX-Injected: 1", "host\t", "host:0",
                                "host:65536", "host:80:81", "http://host", "host/path", "user@host",
                                "[::1", "[nothost]:80", "::1", "[::1]x", "\x83\x7b.example"}) {
        EXPECT_FALSE(Url::IsHostAndPort(refused)) << refused;
    }
}

}  // namespace
}  // namespace yomida
