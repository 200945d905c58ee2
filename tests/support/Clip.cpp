#include "support/Clip.h"

#include "support/Command.h"

#include <gtest/gtest.h>
#include <sstream>

namespace ondrevo::testing {

void GenerateClip(const std::string& path, double seconds, bool video, bool audio, const std::string& extraOptions)
{
    std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y";
    const std::string duration = std::to_string(seconds);
    if (video)
        command += " -f lavfi -i testsrc2=size=320x240:rate=25:duration=" + duration;
    if (audio)
        command += " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + duration;
    command += " " + extraOptions + " " + ShellQuote(path);
    ASSERT_EQ(Shell(command), 0) << command;
}

MediaProbe Probe(const std::string& path)
{
    MediaProbe probe;
    std::istringstream lines(ShellOutput(
        "bash " + ShellQuote(ONDREVO_SOURCE_DIR "/tests/support/probe.sh") + " " + ShellQuote(path) + " 2>/dev/null"));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string kind, field;
        std::getline(fields, kind, '|');
        ProbeFields values;
        while (std::getline(fields, field, '|'))
            if (const auto eq = field.find('='); eq != std::string::npos)
                values[field.substr(0, eq)] = field.substr(eq + 1);
        if (kind == "stream")
            probe.streams.push_back(std::move(values));
        else if (kind == "format")
            probe.format = std::move(values);
    }
    return probe;
}

std::string ProbeStreams(const std::string& path)
{
    const MediaProbe probe = Probe(path);
    const auto first = [&](const std::string& type, std::vector<std::string> keys) {
        for (ProbeFields stream : probe.streams)
            if (stream["codec_type"] == type) {
                std::string text = stream["codec_name"] + "," + type;
                for (const std::string& key : keys)
                    text += "," + stream[key];
                return text;
            }
        return std::string();
    };
    return first("video", { "width", "height", "r_frame_rate" }) + "\n" + first("audio", { "sample_rate", "channels" });
}

double ProbeDuration(const std::string& path)
{
    const ProbeFields format = Probe(path).format;
    return format.count("duration") ? std::strtod(format.at("duration").c_str(), nullptr) : -1;
}

} // namespace ondrevo::testing
