#include "app/LogStreamBuf.h"

#include <utility>

#include "platform/TextEncoding.h"

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

std::size_t SequenceLength(const unsigned char* p, std::size_t n, bool* prefix = nullptr) {
    return dez::Utf8SequenceLength(p, n, prefix);
}

// Where to cut a text that must go out without a line end: not inside a character whose last
// bytes have not arrived yet.
std::size_t SafeCut(const std::string& text, std::size_t limit) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t back = 1; back <= 3 && back <= limit; ++back) {
        const std::size_t at = limit - back;
        if (p[at] < 0x80) break;
        if (p[at] >= 0xC0) {
            bool prefix = false;
            if (SequenceLength(p + at, limit - at, &prefix) == 0 && prefix) return at;
            break;
        }
    }
    return limit;
}

}  // namespace

std::string RepairUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        const std::size_t width = SequenceLength(p + i, n - i);
        if (width == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(bytes.data() + i, width);
            i += width;
        }
    }
    return out;
}

LogStreamBuf::LogStreamBuf(Sink sink) : sink_(std::move(sink)) {}

LogStreamBuf::~LogStreamBuf() {
    try {
        Flush();
    } catch (...) {
        // Nothing can be reported from here: the text is lost.
    }
}

void LogStreamBuf::Flush() { Deliver(true); }

LogStreamBuf::int_type LogStreamBuf::overflow(int_type ch) {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    const char c = traits_type::to_char_type(ch);
    pending_.push_back(c);
    if (c == '\n' || pending_.size() > kMaxLineBytes) Deliver(false);
    return ch;
}

std::streamsize LogStreamBuf::xsputn(const char* s, std::streamsize n) {
    if (n <= 0) return 0;
    pending_.append(s, static_cast<std::size_t>(n));
    Deliver(false);
    return n;
}

int LogStreamBuf::sync() {
    Deliver(false);
    return 0;
}

void LogStreamBuf::Deliver(bool everything) {
    // A sink that writes to the stream it serves (a toolkit message about the text control, say)
    // only adds to what is pending; the outer call hands it over.
    if (delivering_ || !sink_) return;
    std::size_t end = everything ? pending_.size() : pending_.rfind('\n');
    if (end == std::string::npos) {
        if (pending_.size() <= kMaxLineBytes) return;
        end = SafeCut(pending_, pending_.size());
    } else if (!everything) {
        ++end;  // the line end goes with its line
    }
    if (end == 0) return;
    std::string out = RepairUtf8(std::string_view(pending_).substr(0, end));
    pending_.erase(0, end);
    delivering_ = true;
    try {
        sink_(out);
    } catch (...) {
        delivering_ = false;
        throw;
    }
    delivering_ = false;
    if (!pending_.empty() &&
        (everything || pending_.find('\n') != std::string::npos || pending_.size() > kMaxLineBytes))
        Deliver(everything);
}
