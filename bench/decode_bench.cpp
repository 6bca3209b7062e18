// SPDX-License-Identifier: GPL-3.0-or-later
// What one bike record costs the UI thread: decoding plus the motion step, on the console's
// model with a pointer that only remembers where it was put. Each benchmark checks afterwards
// that its records really were decoded, so a broken decoder cannot look fast.
#include "input/recording_keystrokes.h"
#include "probe_support.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace ride {
namespace {

class StillCursor : public Cursor {
public:
    CursorPoint position() override { return at_; }
    void moveTo(CursorPoint where) override
    {
        at_ = where;
        ++moves_;
    }
    long moves() const { return moves_; }

private:
    CursorPoint at_;
    long moves_ = 0;
};

struct StillInput : InputPlatform {
    Cursor& cursor() override { return pointer; }
    Keystrokes& keys() override { return keystrokes; }
    StillCursor pointer;
    RecordingKeystrokes keystrokes;
};

struct Console {
    Console() : site(bench::benchInstallation(platform())), form(&site->console()) {}

    Platform platform()
    {
        Platform p;
        p.input = &input;
        p.serial = &line;
        return p;
    }

    // As the serial poll and the network receive path feed the box.
    void arrive(const Text& text) { form->Text1.setText(form->Text1.text() + text); }

    bench::RepeatingSerialLine line;
    StillInput input;
    StillCursor& cursor = input.pointer;
    std::unique_ptr<Installation> site;
    Form1* form;
};

// Two steering directions in turn, so that every record moves the pointer and changes the labels.
const Text kRecords[2] = {u":::S=010xxx090xxxxxx,DIBBBBBB.", u":::S=012xxx045xxxxxx,DIBBBBBB."};

void checkDecoded(benchmark::State& state, const Console& console, long records)
{
    if (console.cursor.moves() != records || !console.form->Text1.text().empty()) {
        state.SkipWithError("records were not decoded");
    }
}

void WholeRecord(benchmark::State& state)
{
    Console console;
    long records = 0;
    for (auto _ : state) {
        console.arrive(kRecords[records & 1]);
        ++records;
    }
    checkDecoded(state, console, records);
    state.SetItemsProcessed(records);
}
BENCHMARK(WholeRecord)->Repetitions(15)->ReportAggregatesOnly(true);

// The record split over three arrivals, as a slow line delivers it: three decoding runs, and the
// flag boxes change on the second and third.
void RecordInThreePieces(benchmark::State& state)
{
    const Text pieces[2][3] = {{u":::S=01", u"0xxx090xxxxxx,DIB", u"BBBBB."},
                               {u":::S=01", u"2xxx045xxxxxx,DIB", u"BBBBB."}};
    Console console;
    long records = 0;
    for (auto _ : state) {
        for (const Text& piece : pieces[records & 1]) {
            console.arrive(piece);
        }
        ++records;
    }
    checkDecoded(state, console, records);
    state.SetItemsProcessed(records);
}
BENCHMARK(RecordInThreePieces)->Repetitions(15)->ReportAggregatesOnly(true);

// One serial poll that brings 200 characters of junk: a decoding run over all of them, then the
// poll's own length rule empties the box (a second, empty run). Argument 1 starts the junk with
// a garbled record (marker and key block, no end mark), the most work a run can do for nothing.
void JunkArrival(benchmark::State& state)
{
    Console console;
    Text junk = state.range(0) ? Text(u":::S=012xxx090xxxxxx,DIBBBBBB") : Text();
    for (std::size_t i = 0; junk.size() < 200; ++i) {
        junk.push_back(u"0123456789abcdefghijklmnopqrstuvwxyz"[i % 36]);
    }
    console.line.arrival = junk;
    long polls = 0;
    for (auto _ : state) {
        console.form->pollSerial();
        ++polls;
    }
    if (console.cursor.moves() != 0 || !console.form->Text1.text().empty()) {
        state.SkipWithError("junk was decoded or left in the box");
    }
    state.SetItemsProcessed(polls);
}
BENCHMARK(JunkArrival)->Arg(0)->Arg(1)->Repetitions(15)->ReportAggregatesOnly(true);

} // namespace
} // namespace ride

BENCHMARK_MAIN();
