#pragma once

namespace platform {

// Makes ui::AudioPlayer's players MediaAudioPlayers (FFmpeg and the system's audio
// output) and quiets FFmpeg's own log: what a live program does first.
void installPlayerFactory();

}  // namespace platform
