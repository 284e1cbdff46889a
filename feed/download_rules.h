// The downloader's decisions that need no platform: what a failed secure
// connection was, which headers a request carries, and which validators an
// automatic refresh may send.
#pragma once
#include <cstdint>
#include <string>

// "Mivra_Skimrow/1.03"
std::string UserAgent();

// A failed open of an address, told apart by WinInet's error code.
enum class OpenFailure { Other, CertificateUntrusted, CertificateExpired, CertificateWrongHost, SecureChannel };
OpenFailure ClassifyOpenFailure(uint32_t winInetError);
bool IsCertificateProblem(OpenFailure f);
// "Open URL ERROR: Server certificate is not trusted." and the like; null for Other.
const char* OpenFailureLogLine(OpenFailure f);

// WinInet's "the compressed body could not be decoded".
constexpr uint32_t kDecodingFailed = 12175;

// How much one read of the body asks for. WinInet answers a read only once
// its block is full (or the body has ended), so a server must never be asked
// for more than it sends within the stall limit: the block grows while reads
// come back quickly, up to 64 KB, and shrinks when they come slowly.
class ReadBlock {
public:
    static constexpr uint32_t kSmallest = 512;
    static constexpr uint32_t kLargest = 64 * 1024;
    explicit ReadBlock(uint32_t stallLimitMs) : stallLimitMs_(stallLimitMs) {}
    uint32_t Size() const { return size_; }
    // A read of Size() bytes took `ms`; `full`: it filled its block (a short
    // read is the body's end and says nothing about the server's pace).
    void Took(uint32_t ms, bool full);

private:
    uint32_t stallLimitMs_;
    uint32_t size_ = 1024;
};

// A response's validators, as the server sent them.
struct Validators {
    std::string etag;          // with its quotes
    std::string lastModified;  // an HTTP date
    bool empty() const { return etag.empty() && lastModified.empty(); }
};

// The extra request headers, each ending in CR LF: compression offered when
// `compressed`; If-None-Match / If-Modified-Since when `validators` is given.
// A validator with a control character or of absurd length is not sent: it
// came from a server and must not turn into headers of its own.
// `conditional` tells whether any validator went in.
std::string RequestHeaders(bool compressed, const Validators* validators, bool* conditional);

// What a download of one address leaves for the next automatic refresh: the
// validators of the address's own answer and, when that was a site's page,
// the feed the page named with the feed's own validators.
struct RefreshValidators {
    Validators own;
    std::string feed;  // the address of the feed the page named; empty when the address is the feed
    Validators feedOwn;
    bool empty() const { return own.empty() && feedOwn.empty(); }
};

// One download's conditional requests, hop by hop: the address itself, then
// the feed its page names. A page found unchanged (304) still leads to its
// feed, which may have changed: the feed it named before is asked with its
// own validators. A feed is asked "only if changed" only when it is the one
// the page named before.
class ConditionalHops {
public:
    ConditionalHops() = default;
    // `remembered` null: every request asks in full.
    explicit ConditionalHops(const RefreshValidators* remembered);

    // What the request for the address itself sends.
    const Validators* First() const;
    // What the request for the feed at `address` (which a page names) sends.
    const Validators* Feed(const std::string& address) const;
    // The first request was answered 304: the feed to ask next (the one the
    // page named before), or "" when the address is itself the feed.
    std::string FeedOfUnchangedPage() const;

    // Each answer: 304 (`notModified`) keeps what was remembered, any other
    // the validators the server just sent.
    void FirstAnswered(bool notModified, const Validators& received);
    void FeedAnswered(const std::string& address, bool notModified, const Validators& received);
    // What the download leaves for the next refresh, once it has ended well.
    const RefreshValidators& Kept() const { return kept_; }

private:
    bool asking_ = false;
    RefreshValidators remembered_, kept_;
};

// The validators of the last download, kept for the next automatic refresh.
// Only the last download counts: a 304 then means that what is on air came
// from this very address and has not changed. Any other ending (a failure,
// a stop, another address) forgets them, and the next refresh asks in full.
class ValidatorMemory {
public:
    enum class Outcome { Good, NotModified, Failed };
    // What a refresh of `url` may send: nothing for a run the user started.
    const RefreshValidators* ForRequest(const std::string& url, bool userRun) const;
    // `kept` (ConditionalHops::Kept) is read only for a download that ended well.
    void Finished(const std::string& url, Outcome outcome, const RefreshValidators& kept);

private:
    std::string url_;
    RefreshValidators validators_;
    bool known_ = false;
};
