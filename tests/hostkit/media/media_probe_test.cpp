// ffprobe's JSON reports read without running it: what real clips report (kept to the fields
// that matter) and what a broken or hostile report holds. Nothing here may throw.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/hostkit/media/media_probe.h"

namespace {

using hostkit::MediaFacts;

// A report with `streams` (a JSON array's members) and the file's `format` members.
std::string Report(const std::string& streams,
                   const std::string& format = R"("format_name": "mov,mp4,m4a,3gp,3g2,mj2")") {
  return R"({"streams": [)" + streams + R"(], "format": {)" + format + "}}";
}

// One 96x64 H.264 picture stream with `extra` members added.
std::string Video(const std::string& extra = "") {
  return R"({"codec_name": "h264", "codec_type": "video", "width": 96, "height": 64, "pix_fmt": "yuv420p")" +
         (extra.empty() ? "" : ", " + extra) + "}";
}

MediaFacts Parsed(const std::string& report) {
  MediaFacts facts;
  std::string error;
  EXPECT_TRUE(hostkit::ParseProbeReport(report, facts, error)) << error << "\n" << report;
  return facts;
}

std::string Refusal(const std::string& report) {
  MediaFacts facts;
  facts.codec = "untouched";
  std::string error;
  EXPECT_FALSE(hostkit::ParseProbeReport(report, facts, error)) << report;
  EXPECT_EQ(facts.codec, "untouched") << "a refused report leaves the facts as they were";
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  return error;
}

TEST(MediaProbeReport, PlainH264ClipWithSound) {
  const MediaFacts facts = Parsed(R"({
    "streams": [
        {"index": 0, "codec_name": "h264", "codec_type": "video", "width": 1920, "height": 1080,
         "pix_fmt": "yuv420p", "color_range": "tv", "color_space": "bt709",
         "r_frame_rate": "30000/1001", "avg_frame_rate": "30000/1001", "duration": "10.010000",
         "nb_frames": "300", "disposition": {"default": 1, "attached_pic": 0}, "tags": {}},
        {"index": 1, "codec_name": "aac", "codec_type": "audio", "sample_rate": "48000",
         "disposition": {"default": 1, "attached_pic": 0}}
    ],
    "format": {"nb_streams": 2, "format_name": "mov,mp4,m4a,3gp,3g2,mj2", "duration": "10.010000"}
  })");
  EXPECT_EQ(facts.container, "mov,mp4,m4a,3gp,3g2,mj2");
  EXPECT_EQ(facts.codec, "h264");
  EXPECT_EQ(facts.pixelFormat, "yuv420p");
  EXPECT_EQ(facts.colorSpace, "bt709");
  EXPECT_EQ(facts.colorRange, "tv");
  EXPECT_EQ(facts.width, 1920);
  EXPECT_EQ(facts.height, 1080);
  EXPECT_NEAR(facts.fps, 29.97, 0.001);
  EXPECT_EQ(facts.frames, 300);
  EXPECT_FALSE(facts.framesEstimated);
  EXPECT_FALSE(facts.alphaTagged);
  EXPECT_TRUE(facts.hasAudio);
}

TEST(MediaProbeReport, QuarterTurnedPhoneClipsAreDeliveredUpright) {
  const auto size = [](const std::string& extra) {
    const MediaFacts facts = Parsed(Report(Video(extra)));
    return std::to_string(facts.width) + "x" + std::to_string(facts.height);
  };
  const std::string matrix = R"("side_data_type": "Display Matrix", "displaymatrix": "\n00000000: 0 65536 0\n")";
  EXPECT_EQ(size(R"("side_data_list": [{)" + matrix + R"(, "rotation": -90}])"), "64x96");
  EXPECT_EQ(size(R"("side_data_list": [{)" + matrix + R"(, "rotation": 90}])"), "64x96");
  EXPECT_EQ(size(R"("side_data_list": [{)" + matrix + R"(, "rotation": 180}])"), "96x64");
  EXPECT_EQ(size(R"("side_data_list": [{)" + matrix + R"(, "rotation": -270}])"), "64x96");
  EXPECT_EQ(size(R"("tags": {"rotate": "90"})"), "64x96");
  EXPECT_EQ(size(R"("tags": {"rotate": "270"})"), "64x96");
  EXPECT_EQ(size(R"("tags": {"rotate": "180"})"), "96x64");
  // The display matrix is what ffmpeg applies when both are written.
  EXPECT_EQ(size(R"("tags": {"rotate": "90"}, "side_data_list": [{"rotation": 0}])"), "96x64");
  EXPECT_EQ(size(R"("side_data_list": [{"side_data_type": "Stereo 3D"}])"), "96x64");
}

TEST(MediaProbeReport, CoverArtIsNotThePicture) {
  const std::string song = R"({"codec_name": "mp3", "codec_type": "audio"})";
  const std::string cover = R"({"codec_name": "mjpeg", "codec_type": "video", "width": 500, "height": 500,
      "pix_fmt": "yuvj420p", "r_frame_rate": "90000/1", "avg_frame_rate": "0/0",
      "disposition": {"default": 0, "attached_pic": 1}, "tags": {"comment": "Cover, front"}})";
  EXPECT_EQ(Refusal(Report(song + "," + cover, R"("format_name": "mp3")")), "it has no picture stream");

  const MediaFacts film = Parsed(Report(cover + "," + Video() + "," + song));
  EXPECT_EQ(film.codec, "h264");
  EXPECT_EQ(film.width, 96);
  EXPECT_TRUE(film.hasAudio);
}

TEST(MediaProbeReport, UnknownRatesFallBackOrStayZero) {
  // A camera or variable-rate stream leaves the average unknown: the nominal rate stands in.
  const std::string nominalOnly = Video(R"("r_frame_rate": "25/1", "avg_frame_rate": "0/0")");
  const MediaFacts camera = Parsed(Report(nominalOnly, R"("format_name": "video4linux2,v4l2")"));
  EXPECT_EQ(camera.fps, 25.0);
  EXPECT_EQ(camera.frames, 0);

  // Neither rate known, or neither written: no rate and, with no count, no length to estimate.
  for (const char* rates : {R"("r_frame_rate": "0/0", "avg_frame_rate": "0/0",)", ""}) {
    const MediaFacts facts = Parsed(Report(std::string(R"({"codec_type": "video", "width": 8, "height": 8, )") + rates +
                                           R"( "duration": "2.0"})"));
    EXPECT_EQ(facts.fps, 0.0) << rates;
    EXPECT_EQ(facts.frames, 0) << rates;
    EXPECT_FALSE(facts.framesEstimated) << rates;
  }
  EXPECT_EQ(Parsed(Report(Video(R"("avg_frame_rate": "-30/1", "r_frame_rate": "24")"))).fps, 24.0);
}

TEST(MediaProbeReport, MatroskaLengthComesFromTheStreamsDurationTag) {
  // WebM keeps no frame count and no stream duration; the stream's DURATION tag is its length,
  // which can be shorter than the file's (here the sound runs on).
  const std::string webm = R"({"codec_name": "vp9", "codec_type": "video", "width": 96, "height": 64,
      "pix_fmt": "yuv420p", "r_frame_rate": "30/1", "avg_frame_rate": "30/1",
      "tags": {"alpha_mode": "1", "ENCODER": "Lavc59.37.100 libvpx-vp9", "DURATION": "00:00:02.000000000"}})";
  const MediaFacts facts = Parsed(Report(webm, R"("format_name": "matroska,webm", "duration": "2.500000")"));
  EXPECT_EQ(facts.frames, 60);
  EXPECT_TRUE(facts.framesEstimated);
  EXPECT_TRUE(facts.alphaTagged);

  const std::string untagged = R"({"codec_type": "video", "width": 8, "height": 8, "avg_frame_rate": "25/1",
      "tags": {"DURATION": "soon"}})";
  // Nothing gives the stream's own length (a file written to a pipe): it is unknown, not the
  // file's, which the sound may run past.
  const MediaFacts unknown = Parsed(Report(untagged, R"("format_name": "matroska,webm", "duration": "0.400000")"));
  EXPECT_EQ(unknown.frames, 0);
  EXPECT_FALSE(unknown.framesEstimated);
  const std::string hours = R"({"codec_type": "video", "width": 8, "height": 8, "avg_frame_rate": "1/1",
      "tags": {"DURATION": "01:02:03.400000000"}})";
  EXPECT_EQ(Parsed(Report(hours)).frames, 3723);
}

TEST(MediaProbeReport, ReportsWithoutAPictureOrItsSizeAreRefused) {
  EXPECT_EQ(Refusal(Report(R"({"codec_name": "flac", "codec_type": "audio"})", R"("format_name": "flac")")),
            "it has no picture stream");
  EXPECT_EQ(Refusal(Report("")), "it has no picture stream");
  EXPECT_EQ(Refusal(R"({"format": {"format_name": "mp3"}})"), "it has no picture stream");
  EXPECT_EQ(Refusal(Report(R"({"codec_type": "video", "r_frame_rate": "25/1"})")), "its picture stream has no size");
  EXPECT_EQ(Refusal(Report(R"({"codec_type": "video", "width": 96, "height": 0})")), "its picture stream has no size");
}

TEST(MediaProbeReport, MalformedReportsAreRefusedWithoutThrowing) {
  for (const std::string& report : std::vector<std::string>{"", "{", "not json", "[]", "null", "42", R"("streams")",
                                                             std::string("{\"streams\": [\0]}", 16),
                                                             R"({"streams": [)" + Video() + "]"}) {
    EXPECT_EQ(Refusal(report), "ffprobe gave no readable report") << report;
  }
  // Well-formed JSON of the wrong shapes: every field that cannot be read counts as missing.
  for (const std::string& report : std::vector<std::string>{
           R"({"streams": {"codec_type": "video"}})", R"({"streams": [1, "two", null, []]})",
           Report(R"({"codec_type": "video", "width": "96", "height": "64"})"),
           Report(R"({"codec_type": "video", "width": 1e300, "height": -1e300})"),
           Report(R"({"codec_type": ["video"], "width": 96, "height": 64})")}) {
    Refusal(report);
  }
  for (const std::string& report : std::vector<std::string>{
           Report(Video(R"("disposition": "attached_pic", "tags": ["rotate", 90],
                           "side_data_list": {"rotation": 90})")),
           Report(Video(R"("side_data_list": [{"rotation": 1e300}, {"rotation": "90"}],
                           "nb_frames": "99999999999999999999999")")),
           Report(Video(R"("avg_frame_rate": "1e400/1", "r_frame_rate": "1/1e-400", "nb_frames": null)")),
           Report(Video(R"("tags": {"rotate": "-9223372036854775808"})")),
           Report(Video(R"("nb_frames": "0", "duration": "1e308", "avg_frame_rate": "1e308/1")")),
           Report(Video(R"("nb_frames": "0", "duration": "nan", "avg_frame_rate": "25/1",
                           "tags": {"DURATION": "99:99:1e999"})"),
                  R"("duration": {})")}) {
    const MediaFacts facts = Parsed(report);
    EXPECT_GE(facts.frames, 0) << report;
    EXPECT_GE(facts.fps, 0.0) << report;
    EXPECT_EQ(facts.width * facts.height, 96 * 64) << report;
  }
}

}  // namespace
