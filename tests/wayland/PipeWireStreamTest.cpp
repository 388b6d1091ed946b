// Frames from a private PipeWire instance: the newest picture arrives mapped, in the
// producer's colours, on the stream's thread, cropped to the window, and the producer's end
// ends the stream.
#include <gtest/gtest.h>

#include <QThread>

#include <spa/param/video/raw.h>

#include "platform/wayland/PipeWireStream.h"
#include "tests/support/TestApplication.h"
#include "tests/wayland/support/SharedPipeWire.h"
#include "tests/wayland/support/TestPattern.h"

namespace {

void ExpectPattern(const QImage& frame) {
    ASSERT_FALSE(frame.isNull());
    const std::pair<double, double> points[] = {{0.25, 0.25}, {0.75, 0.25}, {0.25, 0.75},
                                                {0.75, 0.75}, {0.02, 0.02}, {0.98, 0.98}};
    for (const auto& [fx, fy] : points) {
        const QPoint at(static_cast<int>(fx * frame.width()),
                        static_cast<int>(fy * frame.height()));
        EXPECT_EQ(frame.pixelColor(at).rgb(), PatternColorAt(fx, fy).rgb())
            << "at " << fx << "," << fy;
    }
}

class PipeWireStreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TestApplication();
        ASSERT_EQ(SharedPipeWireSession().Problem(), QString());
    }
};

TEST_F(PipeWireStreamTest, NewestFrameArrivesInTheSourcesColours) {
    const auto source = StartTestSource(SharedPipeWireSession());
    ASSERT_TRUE(source);
    PipeWireStream stream(SharedPipeWireLoop(), -1, source->nodeId);
    // PipeWire's own thread hands each frame to the loop; it must arrive on the stream's.
    int elsewhere = 0;
    QObject::connect(
        &stream, &PipeWireStream::FrameArrived, &stream,
        [&] { elsewhere += QThread::currentThread() != stream.thread() ? 1 : 0; },
        Qt::DirectConnection);
    ASSERT_TRUE(WaylandTestSession::WaitUntil([&] { return stream.FramesReceived() >= 3; }, 15000))
        << "no frames from node " << source->nodeId;
    EXPECT_EQ(elsewhere, 0) << "frames delivered on PipeWire's thread";
    EXPECT_EQ(stream.SourceSize(), QSize(640, 480));
    ExpectPattern(stream.Frame());
    source->process->terminate();
    bool ended = false;
    QObject::connect(&stream, &PipeWireStream::Ended, [&ended] { ended = true; });
    EXPECT_TRUE(WaylandTestSession::WaitUntil([&] { return ended; }, 10000))
        << "the producer's end must end the stream";
    EXPECT_TRUE(stream.HasEnded());
}

TEST_F(PipeWireStreamTest, CropSelectsTheWindowInsideALargerBuffer) {
    const auto source = StartTestSource(
        SharedPipeWireSession(), {QStringLiteral("--crop"), QStringLiteral("64,32,320,240")});
    ASSERT_TRUE(source);
    PipeWireStream stream(SharedPipeWireLoop(), -1, source->nodeId);
    ASSERT_TRUE(WaylandTestSession::WaitUntil([&] { return stream.FramesReceived() >= 2; }, 15000));
    EXPECT_EQ(stream.Frame().size(), QSize(320, 240));
    EXPECT_EQ(stream.SourceSize(), QSize(320, 240));
    ExpectPattern(stream.Frame());
}

// A producer with shared memory only: offering DMA-BUF first (as to a compositor that
// imports it) still ends in shared-memory frames, and without the offer nothing changes. A
// refused layout leaves the offer and the stream, asked again, goes on.
TEST_F(PipeWireStreamTest, SharedMemoryProducerStreamsWhetherOrNotDmaBufIsOffered) {
    constexpr std::uint32_t kXrgb = 0x34325258;
    for (const bool offerDmaBuf : {true, false}) {
        const auto source = StartTestSource(SharedPipeWireSession());
        ASSERT_TRUE(source);
        const DmaBufOffer offer =
            offerDmaBuf ? DmaBufOffer::For({{kXrgb, kLinearModifier}, {kXrgb, kImplicitModifier}})
                        : DmaBufOffer();
        PipeWireStream stream(SharedPipeWireLoop(), -1, source->nodeId, offer);
        EXPECT_EQ(stream.DmaBufOffered().Empty(), !offerDmaBuf);
        ASSERT_TRUE(
            WaylandTestSession::WaitUntil([&] { return stream.FramesReceived() >= 2; }, 15000))
            << "no frames with DMA-BUF " << (offerDmaBuf ? "offered" : "not offered");
        EXPECT_EQ(stream.DmaBufNegotiated(), std::optional(false));
        EXPECT_FALSE(stream.NewestDmaBuf());
        ExpectPattern(stream.Frame());
        stream.RefuseDmaBuf(SPA_VIDEO_FORMAT_BGRx, kLinearModifier);
        stream.RefuseDmaBuf(SPA_VIDEO_FORMAT_BGRA, kImplicitModifier);
        EXPECT_TRUE(stream.DmaBufOffered().Empty());
        const std::uint64_t before = stream.FramesReceived();
        EXPECT_TRUE(WaylandTestSession::WaitUntil(
            [&] { return stream.FramesReceived() >= before + 3; }, 15000))
            << "no frames after the formats were offered again";
        ExpectPattern(stream.Frame());
        source->process->terminate();
    }
}

// A buffer the compositor still reads stays out of the stream, however many frames follow;
// released, it goes back to the producer.
TEST_F(PipeWireStreamTest, HeldBufferIsNotWrittenAgainUntilReleased) {
    const auto source =
        StartTestSource(SharedPipeWireSession(), {QStringLiteral("--fps"), QStringLiteral("60")});
    ASSERT_TRUE(source);
    PipeWireStream stream(SharedPipeWireLoop(), -1, source->nodeId);
    ASSERT_TRUE(WaylandTestSession::WaitUntil([&] { return stream.FramesReceived() >= 2; }, 15000));
    const std::optional<ShmFrame> shm = stream.NewestShm();
    ASSERT_TRUE(shm) << "the test source's frames are memfd buffers";
    stream.HoldBuffer(shm->key);
    const QImage held = stream.Frame();
    const std::uint32_t mark = ReadFrameMark(held.constBits());
    const std::uint64_t before = stream.FramesReceived();
    ASSERT_TRUE(WaylandTestSession::WaitUntil(
        [&] { return stream.FramesReceived() >= before + 20; }, 15000));
    EXPECT_EQ(ReadFrameMark(held.constBits()), mark) << "the producer wrote into a held buffer";
    EXPECT_TRUE(stream.Keeps(shm->key));
    stream.ReleaseBuffer(shm->key);
    EXPECT_FALSE(stream.Keeps(shm->key));
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] { return ReadFrameMark(held.constBits()) != mark; }, 15000))
        << "a released buffer goes back to the producer";
}

TEST_F(PipeWireStreamTest, UnknownNodeNeverDeliversAFrame) {
    PipeWireStream stream(SharedPipeWireLoop(), -1, 999999);
    bool ended = false;
    QObject::connect(&stream, &PipeWireStream::Ended, [&ended] { ended = true; });
    // Either PipeWire reports the missing target or nothing ever arrives.
    WaylandTestSession::WaitUntil([&] { return ended; }, 3000);
    EXPECT_EQ(stream.FramesReceived(), 0u);
    EXPECT_TRUE(stream.Frame().isNull());
}

}  // namespace
