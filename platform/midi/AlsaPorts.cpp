#include <alsa/asoundlib.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>

#include "MidiPorts.h"
#include "platform/Log.h"

namespace tavri::platform::midi {

namespace {

constexpr const char* kSequencerNode = "/dev/snd/seq";

// The library prints its own complaints (a missing sound card or sequencer, line after line) to
// stderr; ours say it once, in our words, and the library's only when asked for.
void AlsaDetail(const char* file, int line, const char* function, int, const char* format, ...) {
    if (!Verbose()) {
        return;
    }
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    ReportDetail(std::string("ALSA (") + (file ? file : "?") + ":" + std::to_string(line) + " " +
                 (function ? function : "?") + "): " + text);
}

// Opens the sequencer for output without a word when there is none.
snd_seq_t* OpenSequencer(int& error) {
    if (access(kSequencerNode, R_OK | W_OK) != 0) {
        error = -ENODEV;
        return nullptr;
    }
    QuietAudioLibraries();
    snd_seq_t* seq = nullptr;
    error = snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0);
    if (error < 0) {
        return nullptr;
    }
    snd_seq_set_client_name(seq, "TavriNovelRun");
    return seq;
}

int AlsaResult(int error) {
    return kAlsaErrorBase + (error < 0 ? -error : error);
}

class AlsaPort final : public IMidiPort {
  public:
    AlsaPort(snd_seq_t* seq, int sourcePort, snd_midi_event_t* encoder)
        : seq_(seq), sourcePort_(sourcePort), encoder_(encoder) {}

    ~AlsaPort() override {
        snd_seq_drain_output(seq_);
        snd_midi_event_free(encoder_);
        snd_seq_close(seq_);
    }

    int SendShort(uint32_t message) override {
        uint8_t bytes[3] = {static_cast<uint8_t>(message & 0xFF),
                            static_cast<uint8_t>((message >> 8) & 0x7F),
                            static_cast<uint8_t>((message >> 16) & 0x7F)};
        int length = ShortMessageLength(bytes[0]);
        if (length == 0) {
            return MidiErrInvalidParam;
        }
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        // Each message stands alone: no running status carries over from the last one.
        snd_midi_event_reset_encode(encoder_);
        long used = snd_midi_event_encode(encoder_, bytes, length, &event);
        if (used < length || event.type == SND_SEQ_EVENT_NONE) {
            return MidiErrInvalidParam;
        }
        return Output(event);
    }

    int SendLong(const uint8_t* data, size_t size, std::function<void()> done) override {
        if (data == nullptr || size == 0 || (data[0] != 0xF0 && data[0] != 0xF7) ||
            size > 0x7FFFFFFF) {
            return MidiErrInvalidParam;
        }
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        snd_seq_ev_set_sysex(&event, static_cast<unsigned>(size), const_cast<uint8_t*>(data));
        int result = Output(event);
        if (result != MidiNoError) {
            return result;
        }
        // A direct output has copied the bytes into the kernel by the time it returns.
        if (done) {
            done();
        }
        return MidiNoError;
    }

  private:
    int Output(snd_seq_event_t& event) {
        snd_seq_ev_set_source(&event, sourcePort_);
        snd_seq_ev_set_subs(&event);
        snd_seq_ev_set_direct(&event);
        int error = snd_seq_event_output_direct(seq_, &event);
        return error < 0 ? AlsaResult(error) : MidiNoError;
    }

    snd_seq_t* seq_;
    int sourcePort_;
    snd_midi_event_t* encoder_;
};

}  // namespace

std::string AlsaErrorText(int error) {
    const char* text = snd_strerror(-error);
    return text != nullptr ? text : "";
}

std::vector<AlsaPortAddress> ListAlsaPorts() {
    std::vector<AlsaPortAddress> ports;
    int error = 0;
    snd_seq_t* seq = OpenSequencer(error);
    if (seq == nullptr) {
        return ports;
    }
    int self = snd_seq_client_id(seq);
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    snd_seq_client_info_malloc(&client);
    snd_seq_port_info_malloc(&port);
    if (client != nullptr && port != nullptr) {
        snd_seq_client_info_set_client(client, -1);
        while (snd_seq_query_next_client(seq, client) >= 0) {
            int clientId = snd_seq_client_info_get_client(client);
            // The system client's ports announce and time; they play nothing.
            if (clientId == SND_SEQ_CLIENT_SYSTEM || clientId == self) {
                continue;
            }
            snd_seq_port_info_set_client(port, clientId);
            snd_seq_port_info_set_port(port, -1);
            while (snd_seq_query_next_port(seq, port) >= 0) {
                unsigned caps = snd_seq_port_info_get_capability(port);
                unsigned wanted = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
                if ((caps & wanted) != wanted || (caps & SND_SEQ_PORT_CAP_NO_EXPORT) != 0) {
                    continue;
                }
                AlsaPortAddress address;
                address.Client = clientId;
                address.Port = snd_seq_port_info_get_port(port);
                address.Name = std::string(snd_seq_client_info_get_name(client)) + ":" +
                               snd_seq_port_info_get_name(port);
                ports.push_back(std::move(address));
            }
        }
    }
    snd_seq_port_info_free(port);
    snd_seq_client_info_free(client);
    snd_seq_close(seq);
    return ports;
}

TMidiOutCaps AlsaCapabilities(const AlsaPortAddress& address) {
    TMidiOutCaps caps;
    caps.ProductName = address.Name;
    caps.DriverVersion = static_cast<uint32_t>(SND_LIB_MAJOR << 8 | SND_LIB_MINOR);
    caps.Technology = 1;  // a MIDI port
    caps.ChannelMask = 0xFFFF;
    return caps;
}

int OpenAlsaPort(const AlsaPortAddress& address, std::unique_ptr<IMidiPort>& port) {
    int error = 0;
    snd_seq_t* seq = OpenSequencer(error);
    if (seq == nullptr) {
        Report("the MIDI port " + address.Name + " cannot be opened (" + snd_strerror(error) +
               "); reading without music");
        return MidiErrNoDevice;
    }
    int source =
        snd_seq_create_simple_port(seq, "Music", SND_SEQ_PORT_CAP_READ,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    snd_midi_event_t* encoder = nullptr;
    error = source;
    if (source >= 0) {
        error = snd_seq_connect_to(seq, source, address.Client, address.Port);
    }
    if (error >= 0) {
        // Room for the longest short message; exclusives bypass the encoder.
        error = snd_midi_event_new(16, &encoder);
    }
    if (error < 0) {
        Report("the MIDI port " + address.Name + " cannot be opened (" + snd_strerror(error) +
               "); reading without music");
        snd_seq_close(seq);
        return MidiErrNoDevice;
    }
    snd_midi_event_no_status(encoder, 1);
    port = std::make_unique<AlsaPort>(seq, source, encoder);
    return MidiNoError;
}

}  // namespace tavri::platform::midi

namespace tavri::platform {

void QuietAudioLibraries() {
    snd_lib_error_set_handler(midi::AlsaDetail);
}

}  // namespace tavri::platform
