// The control endpoint through the DLL, with a Winsock client of its own on
// 127.0.0.1: each answer, the refusals that change nothing, slow clients,
// the addresses it listens on, and a port that is taken.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <vector>

#include "base/version.h"
#include "tests/soak/loopback_win.h"
#include "tests/win/band_session.h"

namespace {

struct Winsock {
    Winsock() {
        WSADATA d;
        WSAStartup(MAKEWORD(2, 2), &d);
    }
    ~Winsock() { WSACleanup(); }
};

struct Reply {
    int status = 0;  // 0: no reply
    std::string head, body;
};

// One reply off the socket (it may stay open).
Reply ReadReply(SOCKET s) {
    std::string in;
    char block[4096];
    Reply r;
    for (;;) {
        const size_t end = in.find("\r\n\r\n");
        if (end != std::string::npos) {
            r.head = in.substr(0, end + 2);
            const size_t cl = r.head.find("Content-Length: ");
            const size_t length = cl == std::string::npos ? 0 : size_t(std::atoi(r.head.c_str() + cl + 16));
            if (in.size() >= end + 4 + length) {
                std::sscanf(r.head.c_str(), "HTTP/1.1 %d", &r.status);
                r.body = in.substr(end + 4, length);
                return r;
            }
        }
        const int n = recv(s, block, sizeof block, 0);
        if (n <= 0) return Reply();
        in.append(block, size_t(n));
    }
}

Reply Ask(uint16_t port, const std::string& request) {
    SOCKET s = ConnectLoopback(port, 8000);
    if (s == INVALID_SOCKET) return Reply();
    SendAll(s, request);
    Reply r = ReadReply(s);
    closesocket(s);
    return r;
}

std::string Get(uint16_t port, const std::string& target, const std::string& extra = "") {
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n" + extra + "\r\n";
}

std::string Post(uint16_t port, const std::string& target, const std::string& json, const std::string& extra = "") {
    return "POST " + target + " HTTP/1.1\r\nHost: localhost:" + std::to_string(port) +
           "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(json.size()) + "\r\n" + extra +
           "\r\n" + json;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Ini(uint16_t port, const std::string& extra = "") {
    return "[PluginSettings]\r\n" + extra + "ControlPort=" + std::to_string(port) +
           "\r\nLineOn=0\r\nStr_000=first\r\nStr_001=second\r\n";
}

// The addresses the process listens on at `port`, read as ss reads them.
std::vector<std::string> ListeningOn(uint16_t port) {
    std::istringstream table(ReadFileBytes("Z:\\proc\\net\\tcp"));
    std::vector<std::string> found;
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        unsigned ip = 0, p = 0, state = 0;
        if (std::sscanf(line.c_str(), " %*d: %8x:%4x %*8x:%*4x %2x", &ip, &p, &state) != 3 || p != port ||
            state != 0x0A)
            continue;
        char text[32];
        std::snprintf(text, sizeof text, "%u.%u.%u.%u", ip & 255, (ip >> 8) & 255, (ip >> 16) & 255, ip >> 24);
        found.push_back(text);
    }
    return found;
}

TEST(ControlEndpoint, AnswersEachRequestAndSavesWhatItChanges) {
    Winsock winsock;
    const uint16_t port = FreeTcpPort();
    {
        Session s(Ini(port, "URL_000=http://127.0.0.1:9/feed.xml\r\n"));
        Reply r = Ask(port, Get(port, "/api/state", "X-Request-Id: req-7\r\n"));
        ASSERT_EQ(r.status, 200) << r.head;
        EXPECT_TRUE(Has(r.head, "Content-Type: application/json; charset=utf-8\r\n"));
        EXPECT_TRUE(Has(r.head, "X-Request-Id: req-7\r\n"));
        EXPECT_FALSE(Has(r.head, "Access-Control"));
        EXPECT_TRUE(Has(r.body, "\"running\":false,\"source\":\"string\"")) << r.body;
        EXPECT_TRUE(Has(r.body, "\"version\":\"" SKIMROW_VERSION_TEXT "\""));

        EXPECT_EQ(Ask(port, Post(port, "/api/start", "")).body, "{\"ok\":true,\"running\":true}");
        s.Frame();
        EXPECT_TRUE(Has(Ask(port, Get(port, "/api/state")).body, "\"onScreen\":\"first\",\"items\":1"));
        r = Ask(port, Post(port, "/api/text", u8"{\"text\":\"Погода: +5 & \\\"ясно\\\"\"}"));
        EXPECT_EQ(r.body, "{\"ok\":true,\"index\":0}");
        r = Ask(port, Post(port, "/api/source?kind=string&index=1", ""));
        EXPECT_EQ(r.body, "{\"ok\":true,\"source\":\"string\",\"index\":1}");
        r = Ask(port, Post(port, "/api/source", "{\"kind\":\"all-feeds\"}"));
        EXPECT_EQ(r.body, "{\"ok\":true,\"source\":\"all-feeds\"}");
        // The feed's failure puts its notice on the empty band, and would
        // take an urgent line offered before it with it: once the notice is
        // there, the urgent line waits for the band's next gap.
        const DWORD begin = GetTickCount();
        while (!Has(Ask(port, Get(port, "/api/state")).body, "\"result\":\"failed\"") && GetTickCount() - begin < 8000)
            Sleep(20);
        // The log shows the urgent line's text in the settings' code page,
        // which has no emoji.
        r = Ask(port, Post(port, "/api/urgent", u8"{\"text\":\"H&M \\\"Срочно\\\" 🔥\"}"));
        EXPECT_EQ(r.body, "{\"ok\":true,\"id\":1}");
        r = Ask(port, Get(port, "/api/state"));
        EXPECT_TRUE(Has(r.body, "\"urgent\":[{\"id\":1,\"state\":\"waiting\"}]")) << r.body;
        EXPECT_EQ(Ask(port, Post(port, "/api/stop", "{}")).body, "{\"ok\":true,\"running\":false}");
        r = Ask(port, Get(port, "/api/nothing"));
        EXPECT_EQ(r.status, 404);
        r = Ask(port, Get(port, "/api/start"));
        EXPECT_EQ(r.status, 405);
        EXPECT_TRUE(Has(r.head, "Allow: POST\r\n"));

        const std::string log = ReadFileBytes(LogPath());
        for (const std::string& line :
             {"Control: listening on 127.0.0.1:" + std::to_string(port) + ".", std::string("Control: line started."),
              Ansi(u"Control: string #0 set: Погода: +5 & \"ясно\""), std::string("Control: source set to string #1."),
              Ansi(u"Control: urgent #1 queued: H&M \"Срочно\" ") + "?", std::string("Control: line stopped.")})
            EXPECT_TRUE(Has(log, " - " + line)) << line << "\n" << log;
        EXPECT_FALSE(Has(log, "/api/state")) << "reads are not logged";
    }
    EXPECT_EQ(Ask(port, Get(port, "/api/state")).status, 0) << "no endpoint after Shutdown";
    EXPECT_TRUE(ListeningOn(port).empty());
    const std::string saved = ReadFileBytes(Plugin::IniPath());
    EXPECT_TRUE(Has(saved, "\r\nStr_000=" + Ansi(u"Погода: +5 & \"ясно\"") + "\r\nStr_001=second\r\n")) << saved;
    EXPECT_TRUE(Has(saved, "\r\nStrIdx=1\r\n"));
    EXPECT_TRUE(Has(saved, "\r\nControlPort=" + std::to_string(port) + "\r\n"));
}

TEST(ControlEndpoint, RefusedRequestsGetTheirErrorAndChangeNothing) {
    Winsock winsock;
    const uint16_t port = FreeTcpPort();
    const std::string key = "twelve-chars-and-more";
    for (bool keyed : {false, true}) {
        SCOPED_TRACE(keyed ? "with a key" : "without a key");
        Session s(Ini(port, keyed ? "ControlKey=" + key + "\r\n" : ""));
        const std::string auth = keyed ? "Authorization: Bearer " + key + "\r\n" : "";
        const std::string before = Ask(port, Get(port, "/api/state", auth)).body;
        ASSERT_FALSE(before.empty());
        struct Case {
            std::string request;
            int status;
        };
        std::vector<Case> cases = {
            {"POST /api/start HTTP/1.1\r\nHost 127.0.0.1\r\n\r\n", 400},
            {Post(port, "/api/text", "{\"text\":\"" + std::string(70000, 'x') + "\"}", auth), 413},
            {Post(port, "/api/start", "", "Origin: http://evil.example\r\n"), keyed ? 401 : 403},
            {"POST /api/start HTTP/1.1\r\nHost: evil.example:" + std::to_string(port) +
                 "\r\nContent-Type: application/json\r\n\r\n",
             keyed ? 401 : 403},
            {Post(port, "/api/text", "{\"text\":\"a\\u0007\"}", auth), 400},
            {Post(port, "/api/text", u8"{\"text\":\"Ж 🔥\"}", auth), 400},
        };
        if (keyed) {
            cases.push_back({Post(port, "/api/start", ""), 401});
            cases.push_back({Post(port, "/api/start", "{\"key\":\"twelve-chars-and-mor\"}"), 401});
        }
        for (const Case& c : cases) {
            const Reply r = Ask(port, c.request);
            EXPECT_EQ(r.status, c.status) << c.request.substr(0, 80) << "\n" << r.body;
        }
        EXPECT_EQ(Ask(port, Get(port, "/api/state", auth)).body, before);
        const std::string log = ReadFileBytes(LogPath());
        EXPECT_FALSE(Has(log, "Control: line") || Has(log, "Control: string")) << log;
        EXPECT_FALSE(Has(log, key)) << "the key never reaches the log";
    }
    const std::string saved = ReadFileBytes(Plugin::IniPath());
    EXPECT_TRUE(Has(saved, "\r\nLineOn=0\r\n"));
    EXPECT_TRUE(Has(saved, "\r\nStr_000=first\r\nStr_001=second\r\n"));
}

TEST(ControlEndpoint, SlowClientsHoldUpNobodyAndAreDroppedAfterFiveSeconds) {
    Winsock winsock;
    const uint16_t port = FreeTcpPort();
    Session s(Ini(port));
    std::vector<SOCKET> slow;
    for (int i = 0; i < 8; ++i) {
        slow.push_back(ConnectLoopback(port, 8000));
        SendAll(slow.back(), "GET /api/sta");  // and then nothing
    }
    Sleep(100);
    const DWORD begin = GetTickCount();
    EXPECT_EQ(Ask(port, Get(port, "/api/state")).status, 503) << "a ninth client";
    closesocket(slow.back());
    slow.pop_back();
    Sleep(100);
    EXPECT_EQ(Ask(port, Get(port, "/api/state")).status, 200) << "a place came free";
    EXPECT_LT(GetTickCount() - begin, 2000u);
    for (SOCKET c : slow) {
        const Reply r = ReadReply(c);
        EXPECT_EQ(r.status, 408);
        char b;
        EXPECT_EQ(recv(c, &b, 1, 0), 0) << "then closed";
        closesocket(c);
    }
    const DWORD dropped = GetTickCount() - begin;
    EXPECT_GE(dropped, 4500u);
    EXPECT_LT(dropped, 7000u);
}

TEST(ControlEndpoint, ListensOnThisMachineOnlyUnlessTheNetworkIsAskedWithALongKey) {
    Winsock winsock;
    const uint16_t port = FreeTcpPort();
    const struct {
        const char* extra;
        const char* address;
        const char* logged;
    } kCases[] = {
        {"", "127.0.0.1", "listening on 127.0.0.1:"},
        {"ControlLan=1\r\nControlKey=short-key\r\n", "127.0.0.1", "listening on 127.0.0.1:"},
        {"ControlLan=1\r\nControlKey=a-long-enough-key\r\n", "0.0.0.0", "listening on every address, port "},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.extra);
        Session s(Ini(port, c.extra));
        EXPECT_EQ(ListeningOn(port), std::vector<std::string>{c.address});
        const std::string log = ReadFileBytes(LogPath());
        EXPECT_TRUE(Has(log, std::string(" - Control: ") + c.logged + std::to_string(port))) << log;
        EXPECT_EQ(Has(log, "ControlKey of at least 12"), Has(c.extra, "short")) << log;
    }
}

TEST(ControlEndpoint, ATakenPortIsLoggedAndThePluginRunsOnWithoutIt) {
    Winsock winsock;
    const uint16_t port = FreeTcpPort();
    SOCKET holder = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = Loopback(port);
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(holder, 1), 0);
    {
        Session s(Ini(port, "LineOn=1\r\n"));
        EXPECT_EQ(s.TextFrames(1, 3000).size(), 1u) << "the line runs";
        const std::string log = ReadFileBytes(LogPath());
        EXPECT_TRUE(Has(log, " - Control: port " + std::to_string(port) +
                                 " is taken; the plug-in runs on without the endpoint.\r\n"))
            << log;
    }
    closesocket(holder);
}

}  // namespace

namespace {

// An urgent line pushed over the endpoint goes on air exactly as sent: with
// the urgent colours those of the band, its frames are those of the same
// text read from a UTF-16 file, and the line stays off in the settings.
// The endpoint follows the dialog: a new port is listened on as soon as it
// is entered (the old one let go), a key asked for as soon as the focus
// leaves it, port 0 ends it, and Shutdown saves what the dialog set.
TEST(ControlEndpoint, ListensAgainAsSoonAsTheDialogChangesItsSettings) {
    Winsock w;
    const uint16_t first = FreeTcpPort(), second = FreeTcpPort();
    ASSERT_NE(first, second);
    Session s(Ini(first));
    void* owner = nullptr;
    s.plugin()->ShowSettings(&owner);
    Pump(100);
    HWND dialog = FindWindowW(L"#32770", L"Mivra_Skimrow плагин");
    ASSERT_NE(dialog, nullptr);
    const auto enterPort = [&](uint16_t port) {
        SetWindowTextW(GetDlgItem(dialog, 5143), std::to_wstring(port).c_str());
        SendMessageW(GetDlgItem(dialog, 5143), WM_KEYDOWN, VK_RETURN, 0);
        Pump(50);
    };
    EXPECT_EQ(Ask(first, Get(first, "/api/state")).status, 200);
    enterPort(second);
    EXPECT_EQ(Ask(second, Get(second, "/api/state")).status, 200);
    EXPECT_EQ(ConnectLoopback(first, 1000), INVALID_SOCKET) << "the old port is let go";

    HWND key = GetDlgItem(dialog, 5144);
    SetFocus(key);
    for (const wchar_t* c = L"panel-key"; *c; ++c) SendMessageW(key, WM_CHAR, *c, 0);
    EXPECT_EQ(Ask(second, Get(second, "/api/state")).status, 200) << "not yet: the key is being typed";
    SetFocus(GetDlgItem(dialog, 5143));
    Pump(50);
    EXPECT_EQ(Ask(second, Get(second, "/api/state")).status, 401);
    EXPECT_EQ(Ask(second, Get(second, "/api/state", "Authorization: Bearer panel-key\r\n")).status, 200);

    enterPort(0);
    EXPECT_EQ(ConnectLoopback(second, 1000), INVALID_SOCKET) << "port 0: no endpoint";
    enterPort(second);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    Pump(50);
    s.Close();
    const std::string saved = ReadFileBytes(Plugin::IniPath());
    EXPECT_TRUE(Has(saved, "ControlPort=" + std::to_string(second) + "\r\n")) << saved;
    EXPECT_TRUE(Has(saved, "ControlKey=panel-key\r\n"));
}

TEST(ControlEndpoint, AnUrgentLineIsOnAirExactlyAsSent) {
    Winsock winsock;
    const uint16_t port = FreeTcpPort();
    const std::u16string text = u"H&M \"Срочно\" 🔥";
    const Frames expected = TextFileFrames(text);
    ASSERT_FALSE(expected.empty());
    {
        // Of a repeated key the first holds: the line off, before the band's style.
        Session s("[PluginSettings]\r\nLineOn=0\r\nUrgentBackColor=0\r\nUrgentTextColor=16777215\r\nUrgentRepeat=1\r\n"
                  "ControlPort=" + std::to_string(port) + "\r\n" + kBandStyle);
        const Reply r = Ask(port, Post(port, "/api/urgent", u8"{\"text\":\"H&M \\\"Срочно\\\" 🔥\"}"));
        ASSERT_EQ(r.status, 200) << r.body;
        const Frames shown = s.TextFrames(int(expected.size()), 5000);
        size_t first = 0;
        while (first < shown.size() && first < expected.size() && shown[first] == expected[first]) ++first;
        EXPECT_TRUE(shown == expected) << "another text is on air: " << shown.size() << " frames against "
                                       << expected.size() << ", the first that differs " << first;
        EXPECT_TRUE(Has(Ask(port, Get(port, "/api/state")).body, u8"\"onScreen\":\"H&M \\\"Срочно\\\" 🔥\"")) << "its text as sent";
    }
    EXPECT_TRUE(Has(ReadFileBytes(Plugin::IniPath()), "\r\nLineOn=0\r\n")) << "the line stays off in the settings";
}

}  // namespace
