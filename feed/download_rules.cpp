#include "feed/download_rules.h"

#include <algorithm>

#include "base/version.h"

std::string UserAgent() { return SKIMROW_PRODUCT_NAME "/" SKIMROW_VERSION_TEXT; }

OpenFailure ClassifyOpenFailure(uint32_t e) {
    switch (e) {
    // Unknown issuer comes as 12045 (chain sent) or 12057 (leaf alone) under
    // Wine; the rest are the other ways a chain is refused.
    case 12045:  // invalid CA
    case 12055:  // certificate errors
    case 12056:  // no revocation information
    case 12057:  // revocation check failed
    case 12169:  // invalid certificate
    case 12170:  // revoked
    case 12179:  // weak signature
        return OpenFailure::CertificateUntrusted;
    case 12037: return OpenFailure::CertificateExpired;
    case 12038: return OpenFailure::CertificateWrongHost;
    case 12157:  // security channel error: no common protocol, not TLS at all
    case 12044:  // the server wants a client certificate
        return OpenFailure::SecureChannel;
    default: return OpenFailure::Other;
    }
}

bool IsCertificateProblem(OpenFailure f) {
    return f == OpenFailure::CertificateUntrusted || f == OpenFailure::CertificateExpired ||
           f == OpenFailure::CertificateWrongHost;
}

const char* OpenFailureLogLine(OpenFailure f) {
    switch (f) {
    case OpenFailure::CertificateUntrusted: return "Open URL ERROR: Server certificate is not trusted.";
    case OpenFailure::CertificateExpired: return "Open URL ERROR: Server certificate has expired.";
    case OpenFailure::CertificateWrongHost: return "Open URL ERROR: Server certificate does not match the host name.";
    case OpenFailure::SecureChannel: return "Open URL ERROR: Secure connection failed.";
    default: return nullptr;
    }
}

void ReadBlock::Took(uint32_t ms, bool full) {
    if (!full) return;
    // Quick: well within the limit even at twice the size. Slow: a quarter of
    // the limit gone, so that a server slowing down further still fits.
    if (uint64_t(ms) * 16 <= stallLimitMs_) size_ = std::min(size_ * 2, kLargest);
    else if (uint64_t(ms) * 4 > stallLimitMs_) size_ = std::max(size_ / 2, kSmallest);
}

namespace {

bool SafeHeaderValue(const std::string& v) {
    if (v.empty() || v.size() > 1024) return false;
    for (unsigned char c : v)
        if (c < 0x20 || c == 0x7F) return false;
    return true;
}

}  // namespace

std::string RequestHeaders(bool compressed, const Validators* validators, bool* conditional) {
    std::string h;
    if (compressed) h += "Accept-Encoding: gzip, deflate\r\n";
    const size_t plain = h.size();
    if (validators) {
        if (SafeHeaderValue(validators->etag)) h += "If-None-Match: " + validators->etag + "\r\n";
        if (SafeHeaderValue(validators->lastModified)) h += "If-Modified-Since: " + validators->lastModified + "\r\n";
    }
    *conditional = h.size() > plain;
    return h;
}

ConditionalHops::ConditionalHops(const RefreshValidators* remembered) {
    if (!remembered) return;
    asking_ = true;
    remembered_ = *remembered;
}

const Validators* ConditionalHops::First() const {
    return asking_ && !remembered_.own.empty() ? &remembered_.own : nullptr;
}

const Validators* ConditionalHops::Feed(const std::string& address) const {
    return asking_ && !remembered_.feedOwn.empty() && address == remembered_.feed ? &remembered_.feedOwn : nullptr;
}

std::string ConditionalHops::FeedOfUnchangedPage() const { return asking_ ? remembered_.feed : std::string(); }

void ConditionalHops::FirstAnswered(bool notModified, const Validators& received) {
    kept_ = RefreshValidators();
    kept_.own = notModified ? remembered_.own : received;
}

void ConditionalHops::FeedAnswered(const std::string& address, bool notModified, const Validators& received) {
    kept_.feed = address;
    kept_.feedOwn = notModified ? remembered_.feedOwn : received;
}

const RefreshValidators* ValidatorMemory::ForRequest(const std::string& url, bool userRun) const {
    if (userRun || !known_ || url != url_) return nullptr;
    return &validators_;
}

void ValidatorMemory::Finished(const std::string& url, Outcome outcome, const RefreshValidators& kept) {
    if (outcome == Outcome::Failed) {
        known_ = false;
        validators_ = RefreshValidators();
        return;
    }
    // A 304 may still have brought news with it: a page found unchanged
    // whose feed was not, a new page whose feed was unchanged.
    url_ = url;
    validators_ = kept;
    known_ = !kept.empty();
}
