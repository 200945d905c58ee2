#pragma once
// The choices a row starts with, as plain values: where each of the nine parameter
// selectors stands, the output folder and the one-row settings. A view hands them to
// the engine whenever the user changes one; a change during a batch applies from the
// next row on. Nothing here is a control or a control's text.

#include "parameters/ExistingOutputs.h"
#include "parameters/SizeLimit.h"

#include <array>
#include <string>
#include <vector>

namespace ondrevo {

// One selector's position in its list and the entry's name there; -1 and "" when the
// text matches no entry (the encoder's own default then).
struct SelectorChoice {
    int position = -1;
    std::string entry;
    bool operator==(const SelectorChoice&) const = default;
};

struct BatchChoices {
    // Video codec, bitrate, size, frame rate, width ratio; audio codec, bitrate,
    // channels, sampling frequency (tags 1..9 in this order).
    std::array<SelectorChoice, 9> selectors;
    // The Video Codec list's entries, for the codecs that could write a size the chosen
    // one cannot.
    std::vector<std::string> videoCodecs;
    // A full path; anything else converts nothing.
    std::string outputFolder;
    int filesAtOnce = 1;
    ExistingOutputs existing = ExistingOutputs::Replace;
    bool keepSourceDate = false;
    size_limit::Choice sizeLimit;

    const SelectorChoice& VideoCodec() const { return selectors[0]; }
    const SelectorChoice& AudioCodec() const { return selectors[5]; }
    bool operator==(const BatchChoices&) const = default;
};

} // namespace ondrevo
