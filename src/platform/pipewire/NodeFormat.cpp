#include "platform/pipewire/NodeFormat.h"

#include <spa/debug/types.h>
#include <spa/param/audio/raw-types.h>
#include <spa/param/audio/raw.h>
#include <spa/param/format.h>
#include <spa/pod/iter.h>

namespace {

std::optional<SampleFormat> sampleFormat(uint32_t format) {
  switch (format) {
    case SPA_AUDIO_FORMAT_U8:
    case SPA_AUDIO_FORMAT_S8:
      return SampleFormat{8, false, false};
    case SPA_AUDIO_FORMAT_U8P:
      return SampleFormat{8, false, true};
    case SPA_AUDIO_FORMAT_S16_LE:
    case SPA_AUDIO_FORMAT_S16_BE:
      return SampleFormat{16, false, false};
    case SPA_AUDIO_FORMAT_S16P:
      return SampleFormat{16, false, true};
    case SPA_AUDIO_FORMAT_S24_LE:
    case SPA_AUDIO_FORMAT_S24_BE:
    case SPA_AUDIO_FORMAT_S24_32_LE:
    case SPA_AUDIO_FORMAT_S24_32_BE:
      return SampleFormat{24, false, false};
    case SPA_AUDIO_FORMAT_S24P:
    case SPA_AUDIO_FORMAT_S24_32P:
      return SampleFormat{24, false, true};
    case SPA_AUDIO_FORMAT_S32_LE:
    case SPA_AUDIO_FORMAT_S32_BE:
      return SampleFormat{32, false, false};
    case SPA_AUDIO_FORMAT_S32P:
      return SampleFormat{32, false, true};
    case SPA_AUDIO_FORMAT_F32_LE:
    case SPA_AUDIO_FORMAT_F32_BE:
      return SampleFormat{32, true, false};
    case SPA_AUDIO_FORMAT_F32P:
      return SampleFormat{32, true, true};
    case SPA_AUDIO_FORMAT_F64_LE:
    case SPA_AUDIO_FORMAT_F64_BE:
      return SampleFormat{64, true, false};
    case SPA_AUDIO_FORMAT_F64P:
      return SampleFormat{64, true, true};
    default:
      return std::nullopt;
  }
}

// The value of a property, or the default of a choice; null for a choice that does not hold a
// whole first value, which the library's own accessor would read past.
const spa_pod* valueOf(const spa_pod_prop* prop) {
  const spa_pod* value = &prop->value;
  if (value->type != SPA_TYPE_Choice) return value;
  if (!spa_pod_is_choice(value)) return nullptr;
  const spa_pod* child = SPA_POD_CHOICE_CHILD(value);
  if (SPA_POD_BODY_SIZE(value) - sizeof(spa_pod_choice_body) < child->size) return nullptr;
  return child;
}

}  // namespace

std::optional<NodeFormat> parseNodeFormat(const spa_pod* param) {
  if (param == nullptr || !spa_pod_is_object(param)) return std::nullopt;
  const auto* object = reinterpret_cast<const spa_pod_object*>(param);
  uint32_t mediaType = 0;
  uint32_t mediaSubtype = 0;
  NodeFormat format;
  const spa_pod_prop* prop;
  SPA_POD_OBJECT_FOREACH(object, prop) {
    const spa_pod* value = valueOf(prop);
    if (value == nullptr) continue;
    switch (prop->key) {
      case SPA_FORMAT_mediaType:
        spa_pod_get_id(value, &mediaType);
        break;
      case SPA_FORMAT_mediaSubtype:
        spa_pod_get_id(value, &mediaSubtype);
        break;
      case SPA_FORMAT_AUDIO_format: {
        uint32_t id = 0;
        if (spa_pod_get_id(value, &id) == 0) format.sample = sampleFormat(id);
        break;
      }
      case SPA_FORMAT_AUDIO_channels: {
        int32_t channels = 0;
        if (spa_pod_get_int(value, &channels) == 0 && channels > 0) format.channels = channels;
        break;
      }
      case SPA_FORMAT_AUDIO_position: {
        // Any node can publish any pod here; copying from one that is no array complains on
        // stderr each time.
        if (!spa_pod_is_array(&prop->value)) break;
        uint32_t ids[SPA_AUDIO_MAX_CHANNELS];
        uint32_t count = spa_pod_copy_array(&prop->value, SPA_TYPE_Id, ids, SPA_AUDIO_MAX_CHANNELS);
        for (uint32_t i = 0; i < count; ++i) {
          const char* name = spa_debug_type_find_short_name(spa_type_audio_channel, ids[i]);
          format.positions.emplace_back(name != nullptr ? name : "UNK");
        }
        break;
      }
      default:
        break;
    }
  }
  if (mediaType != SPA_MEDIA_TYPE_audio || mediaSubtype != SPA_MEDIA_SUBTYPE_raw) {
    return std::nullopt;
  }
  return format;
}
