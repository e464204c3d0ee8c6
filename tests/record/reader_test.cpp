// The recording reader: what it accepts, and each kind of line it refuses, with its number.
#include <gtest/gtest.h>

#include <string>

#include "record/recording_reader.h"

namespace quorforce {
namespace {

const std::string kHead = "qfrec 1\n5 session driver=0xF1F size=32 polling-step=16 exe=game.exe\n";

TEST(RecordingReader, ReadsTheSessionAndItsEvents) {
    const ReadRecordingResult r = ReadRecording(
        kHead +
        "# a maker's comment\n"
        "10 call obj=1 Download area=0 id=371 handle=0 flags=0x1 effect=full eff-flags=0x12 "
        "duration=4294967295 sample=0 gain=10000 trigger=0xFFFFFFFF repeat=0xFFFFFFFF "
        "start-delay=0 axes-count=1 axes=0x2 directions=9000 envelope=none type-size=4 "
        "type=A00F0000 out-handle=1 result=0x0\n"
        "16 report area=0 length=3 bytes=00C0C0\n"
        "16 tick area=0\n"
        "20 note anything at all\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.session.size, 32u);
    EXPECT_EQ(r.session.exe, "game.exe");
    EXPECT_EQ(r.session.startClock, 5u);
    ASSERT_EQ(r.events.size(), 4u);
    EXPECT_EQ(r.events[0].op, "Download");
    EXPECT_EQ(r.events[0].line, 4);
    EXPECT_EQ(r.events[0].Dword("duration"), 0xFFFFFFFFu);
    EXPECT_EQ(r.events[0].Dword("trigger"), 0xFFFFFFFFu);
    EXPECT_EQ(r.events[1].Text("bytes"), "00C0C0");
    EXPECT_EQ(r.events[3].op, " anything at all");
}

TEST(RecordingReader, RefusesWhatItDoesNotUnderstandWithTheLine) {
    struct Case {
        std::string text;
        const char* error;
    };
    const Case cases[] = {
        {"", "line 0: empty"},
        {"hello\n", "line 1: not a recording"},
        {"qfrec 2\n", "line 1: format 'qfrec 2', this reader knows 'qfrec 1'"},
        {"qfrec 1\n10 tick area=0\n", "line 2: an event before the session line"},
        {"qfrec 1\n", "line 1: no session line"},
        {kHead + "x tick area=0\n", "line 3: no clock at the start"},
        {kHead + "10 wobble area=0\n", "line 3: unknown event 'wobble'"},
        {kHead + "10 tick area=0 colour=red\n", "line 3: unknown word 'colour' in tick"},
        {kHead + "10 tick\n", "line 3: missing area"},
        {kHead + "10 tick area=zero\n", "line 3: bad value 'zero' for area"},
        {kHead + "10 tick area=99999999999\n", "line 3: bad value '99999999999' for area"},
        {kHead + "10 tick area=0 stray\n", "line 3: 'stray' is not key=value"},
        {kHead + "10 report area=0 length=2 bytes=0C0\n", "line 3: bad value '0C0' for bytes"},
        {kHead + "10 call obj=1 Juggle area=0 result=0x0\n", "line 3: unknown call 'Juggle'"},
        {kHead + "10 call obj=1 Start area=0 handle=1 result=0x0\n", "line 3: Start without mode"},
        {kHead + "10 call obj=1 Download area=0 id=371 handle=0 flags=0x0 effect=full "
                 "envelope=1,2,3 result=0x0\n",
         "line 3: bad value '1,2,3' for envelope"},
        {kHead + "10 values area=0 Colour=1\n", "line 3: unknown word 'Colour' in values"},
        {kHead + "10 values area=0 POLLING_STEP=16\n",
         "line 3: unknown word 'POLLING_STEP' in values"},
        {kHead + "10 switches area=0 Record=yes\n", "line 3: 'Record' is not a number"},
        {kHead + "10 session driver=0x1 size=64 polling-step=16 exe=x\n",
         "line 3: a second session line"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ReadRecordingResult r = ReadRecording(c.text);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error.rfind(c.error, 0), 0u) << r.error;
    }
}

}  // namespace
}  // namespace quorforce
