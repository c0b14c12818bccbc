#include "simulator/capture/capture_reader.h"

#include <libsigrok/libsigrok.h>

#include <fstream>
#include <libsigrokcxx/libsigrokcxx.hpp>
#include <memory>
#include <optional>

namespace kitbuilder::simulator {
namespace {

using Reading = CaptureReading;

/// Turns logic packets into line changes: the samples of a packet are compared with the one
/// before, only the lines' bits.
class SampleStream {
 public:
  explicit SampleStream(const std::vector<CaptureObserver*>& observers) : observers_(observers) {}

  void Map(const ChannelMapping& mapping, const std::vector<unsigned>& bits) {
    for (size_t line = 0; line < kChipLineCount; ++line) {
      if (!mapping[line]) continue;
      bits_[line] = bits[*mapping[line]];
      mapped_.set(line);
      mask_ |= uint64_t{1} << bits_[line];
    }
  }
  void SetSamplerate(uint64_t samplerate) { samplerate_ = samplerate; }
  bool HasSamplerate() const { return samplerate_ != 0; }

  void Logic(const uint8_t* data, size_t length, unsigned unitSize) {
    for (size_t offset = 0; offset + unitSize <= length; offset += unitSize, ++sample_) {
      uint64_t word = 0;
      for (unsigned byte = 0; byte < unitSize && byte < 8; ++byte) {
        word |= uint64_t{data[offset + byte]} << (8 * byte);
      }
      word &= mask_;
      if (sample_ == 0) {
        Begin(word);
      } else if (word != word_) {
        Change(word);
      }
      word_ = word;
    }
  }

  /// False when there was not a single sample.
  bool End() {
    if (sample_ == 0) return false;
    for (CaptureObserver* observer : observers_) observer->CaptureEnds(sample_);
    return true;
  }

 private:
  LineLevels LevelsOf(uint64_t word) const {
    LineLevels levels;
    for (size_t line = 0; line < kChipLineCount; ++line) {
      levels[line] = !mapped_.test(line) || ((word >> bits_[line]) & 1) != 0;
    }
    return levels;
  }

  void Begin(uint64_t word) {
    CaptureStart start;
    start.samplerate = samplerate_;
    start.levels = levels_ = LevelsOf(word);
    for (CaptureObserver* observer : observers_) observer->CaptureBegins(start);
  }

  void Change(uint64_t word) {
    LineChange change;
    change.sample = sample_;
    change.nanoseconds = static_cast<uint64_t>(
        static_cast<long double>(sample_) * 1e9L / static_cast<long double>(samplerate_) + 0.5L);
    change.levels = LevelsOf(word);
    for (size_t line = 0; line < kChipLineCount; ++line) {
      change.changed.set(line, change.levels[line] != levels_[line]);
    }
    levels_ = change.levels;
    for (CaptureObserver* observer : observers_) observer->LinesChanged(change);
  }

  const std::vector<CaptureObserver*>& observers_;
  std::array<unsigned, kChipLineCount> bits_{};
  LineSet mapped_;
  uint64_t mask_ = 0;
  uint64_t samplerate_ = 0;
  uint64_t sample_ = 0;
  uint64_t word_ = 0;
  LineLevels levels_{};
};

Reading Unreadable(const std::string& message) {
  return {Reading::Status::kUnreadable, message, {}};
}

uint64_t SamplerateOf(const Glib::VariantBase& value) {
  return Glib::VariantBase::cast_dynamic<Glib::Variant<guint64>>(value).get();
}

/// The logic channels of `device` by name, and the bit of each in a sample.
void ListChannels(const std::shared_ptr<sigrok::Device>& device, Reading* reading,
                  std::vector<unsigned>* bits) {
  for (const std::shared_ptr<sigrok::Channel>& channel : device->channels()) {
    if (channel->type() != sigrok::ChannelType::LOGIC) continue;
    reading->channels.push_back(channel->name());
    bits->push_back(channel->index());
  }
}

/// Lets `choose` map the channels listed in `reading`, `bits` their bits in a sample, and sets
/// `stream` up; false when refused.
bool ChooseChannels(const std::vector<unsigned>& bits, const ChannelChooser& choose,
                    SampleStream* stream, Reading* reading) {
  for (unsigned bit : bits) {
    if (bit >= 64) {
      reading->message = "a capture of more than 64 channels is not read";
      return false;
    }
  }
  std::variant<ChannelMapping, MappingRefusal> chosen = choose(reading->channels);
  if (const MappingRefusal* refusal = std::get_if<MappingRefusal>(&chosen)) {
    reading->status = Reading::Status::kUnmapped;
    reading->message = refusal->message;
    return false;
  }
  stream->Map(std::get<ChannelMapping>(chosen), bits);
  return true;
}

/// Lists a session's channels, lets `choose` map them and sets `stream` up; false when refused.
bool MapChannels(const std::shared_ptr<sigrok::Device>& device, const ChannelChooser& choose,
                 SampleStream* stream, Reading* reading) {
  std::vector<unsigned> bits;
  ListChannels(device, reading, &bits);
  return ChooseChannels(bits, choose, stream, reading);
}

/// A reading's cancel flag, and whether the reading heeded it.
struct Cancel {
  const std::atomic<bool>* flag = nullptr;
  bool heeded = false;

  bool Requested() const { return flag != nullptr && flag->load(); }
};

/// A session's datafeed: the sample rate from a meta packet, the samples from logic packets. A
/// capture without a rate is noted and its samples are not streamed. Once cancelled, no packet
/// is streamed and `running`, the session, is stopped.
sigrok::DatafeedCallbackFunction Feed(SampleStream* stream, bool* withoutRate, Cancel* cancel,
                                      sigrok::Session* running) {
  return [stream, withoutRate, cancel, running](std::shared_ptr<sigrok::Device>,
                                                std::shared_ptr<sigrok::Packet> packet) {
    if (cancel->Requested()) {
      if (!cancel->heeded) running->stop();
      cancel->heeded = true;
      return;
    }
    if (packet->type() == sigrok::PacketType::META) {
      auto meta = std::dynamic_pointer_cast<sigrok::Meta>(packet->payload());
      for (const auto& [key, value] : meta->config()) {
        if (key == sigrok::ConfigKey::SAMPLERATE) stream->SetSamplerate(SamplerateOf(value));
      }
    } else if (packet->type() == sigrok::PacketType::LOGIC) {
      if (!stream->HasSamplerate()) {
        *withoutRate = true;
        return;
      }
      auto logic = std::dynamic_pointer_cast<sigrok::Logic>(packet->payload());
      stream->Logic(static_cast<const uint8_t*>(logic->data_pointer()), logic->data_length(),
                    logic->unit_size());
    }
  };
}

Reading Cancelled(Reading reading) {
  reading.status = Reading::Status::kCancelled;
  reading.message = "the reading was cancelled";
  return reading;
}

/// After the last packet: the end told to the observers, or why the samples were of no use.
Reading Finished(const std::string& path, bool withoutRate, SampleStream* stream, Reading reading) {
  if (withoutRate) {
    return Unreadable(path +
                      " gives no sample rate: save the capture as a sigrok session (.sr) "
                      "or VCD, which hold one");
  }
  if (!stream->End()) return Unreadable(path + " holds no samples");
  reading.status = Reading::Status::kRead;
  return reading;
}

Reading ReadSession(const std::shared_ptr<sigrok::Context>& context, const std::string& path,
                    const ChannelChooser& choose, SampleStream* stream, Cancel* cancel) {
  std::shared_ptr<sigrok::Session> session = context->load_session(path);
  const std::vector<std::shared_ptr<sigrok::Device>> devices = session->devices();
  if (devices.empty()) return Unreadable(path + " holds no capture");
  Reading reading;
  if (!MapChannels(devices.front(), choose, stream, &reading)) return reading;
  try {
    stream->SetSamplerate(SamplerateOf(devices.front()->config_get(sigrok::ConfigKey::SAMPLERATE)));
  } catch (const sigrok::Error&) {
    // Then a meta packet must bring it.
  }
  bool withoutRate = false;
  session->add_datafeed_callback(Feed(stream, &withoutRate, cancel, session.get()));
  session->start();
  session->run();
  if (cancel->heeded) return Cancelled(reading);
  return Finished(path, withoutRate, stream, reading);
}

/// The parts of libsigrok's C API an input format is read with, each freed by its own call.
struct InputContext {
  struct Free {
    void operator()(sr_context* context) const { sr_exit(context); }
    void operator()(sr_session* session) const { sr_session_destroy(session); }
    void operator()(const sr_input* input) const { sr_input_free(input); }
  };
  std::unique_ptr<sr_context, Free> context;
  // The session lets go of the input's device before the input frees it.
  std::unique_ptr<const sr_input, Free> input;
  std::unique_ptr<sr_session, Free> session;
};

/// The C datafeed: the sample rate from a meta packet, the samples from logic packets; once
/// cancelled, none. The input module sends its packets from within sr_input_send(), on the
/// reading's thread, which heeds the cancel between chunks of the file.
struct InputFeed {
  SampleStream* stream;
  Cancel* cancel;
  bool withoutRate = false;

  static void Receive(const sr_dev_inst*, const sr_datafeed_packet* packet, void* self) {
    auto* feed = static_cast<InputFeed*>(self);
    if (feed->cancel->Requested()) return;
    if (packet->type == SR_DF_META) {
      const auto* meta = static_cast<const sr_datafeed_meta*>(packet->payload);
      for (const GSList* item = meta->config; item; item = item->next) {
        const auto* config = static_cast<const sr_config*>(item->data);
        if (config->key == SR_CONF_SAMPLERATE) {
          feed->stream->SetSamplerate(g_variant_get_uint64(config->data));
        }
      }
    } else if (packet->type == SR_DF_LOGIC) {
      if (!feed->stream->HasSamplerate()) {
        feed->withoutRate = true;
        return;
      }
      const auto* logic = static_cast<const sr_datafeed_logic*>(packet->payload);
      feed->stream->Logic(static_cast<const uint8_t*>(logic->data), logic->length, logic->unitsize);
    }
  }
};

/// The logic channels of an input's device, as ListChannels gives a session's.
bool MapInputChannels(const sr_dev_inst* device, const ChannelChooser& choose, SampleStream* stream,
                      Reading* reading) {
  std::vector<unsigned> bits;
  for (const GSList* item = sr_dev_inst_channels_get(device); item; item = item->next) {
    const auto* channel = static_cast<const sr_channel*>(item->data);
    if (channel->type != SR_CHANNEL_LOGIC) continue;
    reading->channels.push_back(channel->name);
    bits.push_back(static_cast<unsigned>(channel->index));
  }
  return ChooseChannels(bits, choose, stream, reading);
}

/// Feeds the file to libsigrok's input module chunk by chunk; the session takes the device
/// as soon as the module has read the header far enough to know its channels. Through the C
/// API: libsigrokcxx 0.5.2's InputDevice and its Input hold each other, so the C++ binding
/// never frees an input format's reader (megabytes a capture, in a window that reads many).
Reading ReadInput(const std::string& path, std::ifstream& file, const ChannelChooser& choose,
                  SampleStream* stream, Cancel* cancel) {
  InputContext sigrok;
  sr_context* context = nullptr;
  if (sr_init(&context) != SR_OK) return Unreadable(path + ": libsigrok does not start");
  sigrok.context.reset(context);
  const sr_input* input = nullptr;
  if (sr_input_scan_file(path.c_str(), &input) != SR_OK || !input) {
    return Unreadable(path +
                      " is in no format libsigrok knows: save the capture as a sigrok "
                      "session (.sr), VCD or CSV");
  }
  sigrok.input.reset(input);
  sr_session* session = nullptr;
  if (sr_session_new(context, &session) != SR_OK) {
    return Unreadable(path + ": libsigrok cannot open a session for it");
  }
  sigrok.session.reset(session);
  InputFeed feed{stream, cancel};
  sr_session_datafeed_callback_add(session, &InputFeed::Receive, &feed);
  Reading reading;
  bool mapped = false;
  std::vector<char> chunk(1 << 16);
  while (file.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || file.gcount() > 0) {
    if (cancel->Requested()) return Cancelled(reading);
    GString* text = g_string_new_len(chunk.data(), file.gcount());
    const int sent = sr_input_send(input, text);
    g_string_free(text, TRUE);
    if (sent != SR_OK)
      return Unreadable(path + ": libsigrok cannot read it (" + sr_strerror(sent) + ")");
    if (mapped) continue;
    sr_dev_inst* device = sr_input_dev_inst_get(input);
    if (!device) continue;  // the header is not through yet
    if (!MapInputChannels(device, choose, stream, &reading)) return reading;
    sr_session_dev_add(session, device);
    mapped = true;
  }
  if (!mapped) return Unreadable(path + ": libsigrok found no channels in it");
  if (cancel->Requested()) return Cancelled(reading);
  const int ended = sr_input_end(input);
  if (ended != SR_OK)
    return Unreadable(path + ": libsigrok cannot read it (" + sr_strerror(ended) + ")");
  return Finished(path, feed.withoutRate, stream, reading);
}

bool IsSessionFile(std::ifstream& file) {
  char magic[4] = {};
  file.read(magic, sizeof magic);
  const bool zip = file.gcount() == 4 && std::string(magic, 4) == std::string("PK\3\4", 4);
  file.clear();
  file.seekg(0);
  return zip;
}

}  // namespace

CaptureReading ReadCapture(const std::string& path, const ChannelChooser& choose,
                           const std::vector<CaptureObserver*>& observers,
                           const std::atomic<bool>* cancel) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return Unreadable("cannot open " + path);
  SampleStream stream(observers);
  Cancel heed{cancel};
  try {
    if (IsSessionFile(file)) {
      return ReadSession(sigrok::Context::create(), path, choose, &stream, &heed);
    }
    return ReadInput(path, file, choose, &stream, &heed);
  } catch (const sigrok::Error& error) {
    return Unreadable(path + ": libsigrok cannot read it (" + error.what() + ")");
  }
}

std::variant<std::vector<std::string>, std::string> ReadCaptureChannels(const std::string& path) {
  // The chooser stops the reading once the channels are known, before the first sample.
  const ChannelChooser listOnly = [](const std::vector<std::string>&) {
    return std::variant<ChannelMapping, MappingRefusal>(MappingRefusal{});
  };
  CaptureReading reading = ReadCapture(path, listOnly, {});
  if (reading.status == CaptureReading::Status::kUnmapped) return std::move(reading.channels);
  return reading.message;
}

}  // namespace kitbuilder::simulator
