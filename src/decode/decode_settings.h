#pragma once

namespace tv {

class MessageTally;

// How a show decodes, handed down from where it starts (the display's
// settings, the editor's preview) to every channel and decoder: nothing of it
// is kept process-wide, so two shows in one process may differ.
struct DecodeSettings {
    // How loud clips play, 0 to 100; at 0 their sound is not even decoded.
    int volume = 100;
    // Whether clips are decoded by the machine's video hardware where it has
    // some; off by default, software decoding being what has been measured
    // everywhere.
    bool hardwareDecoding = false;
    // Where what the decoders say is told, once per file per show; null:
    // nowhere (the editor's thumbnails).
    MessageTally* messages = nullptr;
};

} // namespace tv
