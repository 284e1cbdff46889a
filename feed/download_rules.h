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

// The validators of the last download, kept for the next automatic refresh.
// Only the last download counts: a 304 then means that what is on air came
// from this very address and has not changed. Any other ending (a failure,
// a stop, another address) forgets them, and the next refresh asks in full.
class ValidatorMemory {
public:
    enum class Outcome { Good, NotModified, Failed };
    // What a refresh of `url` sends: nothing for a run the user started.
    const Validators* ForRequest(const std::string& url, bool userRun) const;
    void Finished(const std::string& url, Outcome outcome, const Validators& fresh);

private:
    std::string url_;
    Validators validators_;
    bool known_ = false;
};
