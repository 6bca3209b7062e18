// SPDX-License-Identifier: GPL-3.0-or-later
// Counts the round trips to the X server a probe makes, and names their callers: loaded with
// LD_PRELOAD, it stands in front of Xlib's reply wait (XSync, XQueryPointer,
// XGetKeyboardMapping ...) and libxcb's, which Qt's xcb plugin uses. Event reads and one-way requests do
// not wait, so they are not counted.
//
// A probe names the stretch of work it is in with ride_round_trip_phase("record") (looked up
// with dlsym, so the probes run without this library too) and its unit of work with
// ride_round_trip_unit(); at exit the library prints, per phase, the waits per unit and the call
// chains that made them, most frequent first.
#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Phase {
    long units = 0;
    long waits = 0;
    std::map<std::string, long> chains;
};

std::mutex lock;
// Xlib's _XReply waits through libxcb, once for its own request and once for each earlier one
// still pending: counted once, as the one round trip it is.
thread_local int waitDepth = 0;
std::map<std::string, Phase>* phases = nullptr;
std::string* current = nullptr;

// The function a return address lies in, demangled, without its arguments.
std::string functionAt(void* address)
{
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_sname == nullptr) {
        return {};
    }
    int status = 0;
    char* plain = abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status);
    std::string name = status == 0 && plain ? plain : info.dli_sname;
    std::free(plain);
    if (const auto paren = name.find('('); paren != std::string::npos && paren > 0) {
        name.resize(paren);
    }
    return name;
}

bool isPlumbing(const std::string& name)
{
    return name.empty() || name.rfind("_X", 0) == 0 || name.find("wait_for_reply") != std::string::npos ||
           name.find("round_trip") != std::string::npos || name == "count" || name == "chain";
}

// The Xlib or xcb call that waited, then up to four callers above it.
std::string chain()
{
    void* frames[32];
    const int depth = backtrace(frames, 32);
    std::string out;
    int kept = 0;
    for (int i = 1; i < depth && kept < 5; ++i) {
        const std::string name = functionAt(frames[i]);
        if (isPlumbing(name)) {
            continue;
        }
        out += out.empty() ? name : " <- " + name;
        ++kept;
    }
    return out.empty() ? "(no symbols)" : out;
}

void count()
{
    std::lock_guard guard(lock);
    if (!phases || !current || current->empty()) {
        return;
    }
    Phase& phase = (*phases)[*current];
    ++phase.waits;
    ++phase.chains[chain()];
}

template <typename F>
F next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

__attribute__((constructor)) void start()
{
    phases = new std::map<std::string, Phase>;
    current = new std::string;
}

__attribute__((destructor)) void finish()
{
    std::lock_guard guard(lock);
    for (const auto& [name, phase] : *phases) {
        const double perUnit = phase.units > 0 ? double(phase.waits) / double(phase.units) : double(phase.waits);
        std::fprintf(stderr, "X round trips, %s: %ld in %ld units, %.2f per unit\n", name.c_str(), phase.waits,
                     phase.units, perUnit);
        std::vector<std::pair<long, std::string>> sorted;
        for (const auto& [text, n] : phase.chains) {
            sorted.emplace_back(n, text);
        }
        std::sort(sorted.rbegin(), sorted.rend());
        for (const auto& [n, text] : sorted) {
            std::fprintf(stderr, "  %8ld  %s\n", n, text.c_str());
        }
    }
}

} // namespace

extern "C" {

// Counting only happens inside a named phase; nullptr or "" ends it.
__attribute__((visibility("default"))) void ride_round_trip_phase(const char* name)
{
    std::lock_guard guard(lock);
    *current = name ? name : "";
}

__attribute__((visibility("default"))) void ride_round_trip_unit()
{
    std::lock_guard guard(lock);
    if (!current->empty()) {
        ++(*phases)[*current].units;
    }
}

__attribute__((visibility("default"))) int _XReply(void* display, void* reply, int extra, int discard)
{
    static const auto real = next<int (*)(void*, void*, int, int)>(__func__);
    if (waitDepth++ == 0) {
        count();
    }
    const int status = real(display, reply, extra, discard);
    --waitDepth;
    return status;
}

struct xcb_connection_t;
struct xcb_generic_error_t;

__attribute__((visibility("default"))) void* xcb_wait_for_reply(xcb_connection_t* c, unsigned int request,
                                                                xcb_generic_error_t** e)
{
    static const auto real = next<void* (*)(xcb_connection_t*, unsigned int, xcb_generic_error_t**)>(__func__);
    if (waitDepth++ == 0) {
        count();
    }
    void* reply = real(c, request, e);
    --waitDepth;
    return reply;
}

__attribute__((visibility("default"))) void* xcb_wait_for_reply64(xcb_connection_t* c, std::uint64_t request,
                                                                  xcb_generic_error_t** e)
{
    static const auto real = next<void* (*)(xcb_connection_t*, std::uint64_t, xcb_generic_error_t**)>(__func__);
    if (waitDepth++ == 0) {
        count();
    }
    void* reply = real(c, request, e);
    --waitDepth;
    return reply;
}

} // extern "C"
