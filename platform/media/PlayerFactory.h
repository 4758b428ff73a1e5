#pragma once

namespace platform {

// Makes ui::AudioPlayer's players MediaAudioPlayers (FFmpeg and SDL2's audio
// output) and quiets FFmpeg's own log: what a live program does first.
void installPlayerFactory();

}  // namespace platform
