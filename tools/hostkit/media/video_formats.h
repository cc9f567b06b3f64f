#pragma once
// The ffmpeg command lines behind the video outputs: for each container, the codec, pixel
// layout, colour conversion and tags, and the sound codec that suit it.

#include <string>
#include <vector>

#include "tools/hostkit/media/frame_sink.h"

namespace hostkit {

enum class VideoContainer { Mp4, Mov, Webm, Gif };

// The container written for a lower-case file extension ("mp4", "mov", "webm", "gif"); false
// for any other extension.
bool VideoContainerFor(const std::string& extension, VideoContainer& container);

// False for containers that hold no sound (GIF): a sound file in the request is ignored there.
bool HoldsSound(VideoContainer container);

// ffmpeg's arguments, without the program name: raw RGBA frames of the request's size and
// rate on standard input, the request's sound (when it names a file and the container holds
// sound) from audioStart for audioSeconds, and `container` written to the file `outputPath`.
std::vector<std::string> FfmpegArguments(const OutputRequest& request, VideoContainer container,
                                         const std::string& outputPath);

}  // namespace hostkit
