#pragma once
// Clips for tests, made and read with the encoder's own tools: generated from its test
// sources, and read by its probe (support/probe.sh).

#include <map>
#include <string>
#include <vector>

namespace ondrevo::testing {

// Writes a clip at `path`: `seconds` long, 320x240 at 25 frames a second and/or a
// 44.1 kHz sine tone. Extra encoder output options may be given. Fails the test when the
// encoder fails.
void GenerateClip(const std::string& path, double seconds, bool video = true, bool audio = true,
    const std::string& extraOptions = "");

using ProbeFields = std::map<std::string, std::string>;

struct MediaProbe {
    std::vector<ProbeFields> streams; // codec_type, codec_name, width, height, r_frame_rate, sample_rate, channels
    ProbeFields format; // duration, tag:major_brand
};

// Empty when the file cannot be read.
MediaProbe Probe(const std::string& path);
// "codec,video,width,height,frame rate" of the first video stream, a line end, then
// "codec,audio,sample rate,channels" of the first audio stream; a missing one is empty.
std::string ProbeStreams(const std::string& path);
// The playing time in seconds; negative when the file cannot be read.
double ProbeDuration(const std::string& path);

} // namespace ondrevo::testing
