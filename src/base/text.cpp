// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/text.h"

#include <cerrno>
#include <cstddef>
#include <iconv.h>

namespace ride {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';

// iconv_t carries shift state and is not safe to share between threads, so each thread
// opens its own pair once and keeps it for its lifetime.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (valid()) {
            iconv_close(cd_);
        }
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

IconvHandle& gbkDecoder()
{
    thread_local IconvHandle handle("UTF-16LE", "GBK");
    return handle;
}

IconvHandle& gbkEncoder()
{
    thread_local IconvHandle handle("GBK", "UTF-16LE");
    return handle;
}

bool isHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Decodes as much of `bytes` as possible and returns how many bytes were used. Only when
// `final` is false may a lone lead byte at the very end stay unused (at most one byte).
std::size_t decodeGbk(std::string_view bytes, Text& out, bool final)
{
    out.reserve(out.size() + bytes.size());
    IconvHandle& decoder = gbkDecoder();
    if (!decoder.valid()) {
        // Without the GBK converter only ASCII is certain; the rest is still never lost silently.
        for (unsigned char c : bytes) {
            out.push_back(c < 0x80 ? char16_t(c) : kReplacement);
        }
        return bytes.size();
    }

    iconv(decoder.get(), nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data()); // iconv never writes through its input
    std::size_t inLeft = bytes.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* o = buffer;
        std::size_t oLeft = sizeof buffer;
        const std::size_t result = iconv(decoder.get(), &in, &inLeft, &o, &oLeft);
        const int error = errno;
        for (const char* p = buffer; p + 1 < o; p += 2) {
            out.push_back(char16_t(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1]) << 8));
        }
        if (result != static_cast<std::size_t>(-1) || error == E2BIG) {
            continue;
        }
        if (error == EINVAL && !final && inLeft == 1) {
            break;
        }
        // EILSEQ, or an incomplete character that no further byte will complete: one byte
        // becomes U+FFFD and decoding resumes right after it.
        out.push_back(kReplacement);
        ++in;
        --inLeft;
    }
    return bytes.size() - inLeft;
}

} // namespace

std::string toGbk(TextView text)
{
    std::string units;
    units.reserve(text.size() * 2);
    for (char16_t c : text) {
        units.push_back(static_cast<char>(c & 0xFF));
        units.push_back(static_cast<char>(c >> 8));
    }

    std::string out;
    out.reserve(text.size() * 2);
    IconvHandle& encoder = gbkEncoder();
    if (!encoder.valid()) {
        for (char16_t c : text) {
            if (!isLowSurrogate(c)) {
                out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
            }
        }
        return out;
    }

    iconv(encoder.get(), nullptr, nullptr, nullptr, nullptr);
    char* in = units.data();
    std::size_t inLeft = units.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* o = buffer;
        std::size_t oLeft = sizeof buffer;
        const std::size_t result = iconv(encoder.get(), &in, &inLeft, &o, &oLeft);
        const int error = errno;
        out.append(buffer, o);
        if (result != static_cast<std::size_t>(-1) || error == E2BIG) {
            continue;
        }
        // A character GBK cannot hold (or a broken surrogate) becomes one '?', also when it
        // takes a surrogate pair.
        out.push_back('?');
        const std::size_t index = (units.size() - inLeft) / 2;
        const bool pair = index + 1 < text.size() && isHighSurrogate(text[index]) && isLowSurrogate(text[index + 1]);
        const std::size_t skip = pair ? 4 : 2;
        const std::size_t step = skip < inLeft ? skip : inLeft;
        in += step;
        inLeft -= step;
    }
    return out;
}

Text fromGbk(std::string_view bytes)
{
    Text out;
    decodeGbk(bytes, out, true);
    return out;
}

Text GbkStreamDecoder::feed(std::string_view bytes)
{
    std::string data;
    data.reserve(pending_.size() + bytes.size());
    data.append(pending_).append(bytes);
    pending_.clear();
    Text out;
    const std::size_t used = decodeGbk(data, out, false);
    pending_.assign(data, used, std::string::npos);
    return out;
}

std::string toUtf8(TextView text)
{
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (isHighSurrogate(text[i]) || isLowSurrogate(text[i])) {
            cp = kReplacement;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | cp >> 6));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | cp >> 12));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | cp >> 18));
            out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

Text fromUtf8(std::string_view utf8)
{
    Text out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            cp = lead & 0x1F;
            minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            cp = lead & 0x0F;
            minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            cp = lead & 0x07;
            minimum = 0x10000;
        }
        bool valid = length != 0 && i + length <= utf8.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const unsigned char c = static_cast<unsigned char>(utf8[i + k]);
            valid = (c & 0xC0) == 0x80;
            cp = cp << 6 | (c & 0x3F);
        }
        // Overlong forms, encoded surrogates and code points past U+10FFFF are all invalid.
        if (!valid || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += length;
    }
    return out;
}

} // namespace ride
