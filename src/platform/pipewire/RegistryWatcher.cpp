#include "platform/pipewire/RegistryWatcher.h"

#include <pipewire/extensions/metadata.h>
#include <spa/param/audio/raw.h>
#include <spa/param/param.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/pipewire/DefaultNodeName.h"
#include "platform/pipewire/NodeProperties.h"

struct RegistryWatcher::Node {
  Node(RegistryWatcher* owner, uint32_t globalId, pw_proxy* proxy)
      : owner(owner), globalId(globalId), proxy(proxy) {}
  RegistryWatcher* owner;
  uint32_t globalId;
  pw_proxy* proxy;
  spa_hook proxyListener{};
  spa_hook nodeListener{};
  MirroredNode facts;
  UInt32 propertyChannels = 0;
  std::vector<std::string> propertyPositions;
  std::optional<NodeFormat> format;
  int completeAtSync = -1;  // the sync whose answer completes the node, until it has entered
  AudioObjectID device = kAudioObjectUnknown;
};

struct RegistryWatcher::Metadata {
  RegistryWatcher* owner;
  pw_proxy* proxy;
  bool isDefault;
  spa_hook listener{};
};

namespace {

bool isAudioDevice(std::string_view mediaClass) {
  return mediaClass == "Audio/Source" || mediaClass == "Audio/Source/Virtual" ||
         mediaClass == "Audio/Sink" || mediaClass == "Audio/Duplex";
}

}  // namespace

RegistryWatcher::RegistryWatcher(pw_core* core, DeviceMirror& mirror, Publish publish)
    : core_(core),
      mirror_(mirror),
      publish_(std::move(publish)),
      registry_(pw_core_get_registry(core, PW_VERSION_REGISTRY, 0)) {
  static const pw_registry_events events = [] {
    pw_registry_events e{};
    e.version = PW_VERSION_REGISTRY_EVENTS;
    e.global = &RegistryWatcher::onGlobal;
    e.global_remove = &RegistryWatcher::onGlobalRemove;
    return e;
  }();
  pw_registry_add_listener(registry_, &registryListener_, &events, this);
}

RegistryWatcher::~RegistryWatcher() {
  for (auto& [id, node] : nodes_) {
    spa_hook_remove(&node->nodeListener);
    spa_hook_remove(&node->proxyListener);
    pw_proxy_destroy(node->proxy);
  }
  for (auto& [id, metadata] : metadata_) {
    spa_hook_remove(&metadata->listener);
    pw_proxy_destroy(metadata->proxy);
  }
  spa_hook_remove(&registryListener_);
  pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry_));
}

void RegistryWatcher::onGlobal(void* data, uint32_t id, uint32_t, const char* type, uint32_t,
                               const spa_dict* props) {
  auto* self = static_cast<RegistryWatcher*>(data);
  if (props == nullptr) return;
  if (std::strcmp(type, PW_TYPE_INTERFACE_Node) == 0) {
    const char* mediaClass = spa_dict_lookup(props, PW_KEY_MEDIA_CLASS);
    if (mediaClass != nullptr && isAudioDevice(mediaClass)) self->bindNode(id);
  } else if (std::strcmp(type, PW_TYPE_INTERFACE_Metadata) == 0) {
    const char* name = spa_dict_lookup(props, PW_KEY_METADATA_NAME);
    if (name == nullptr) return;
    if (std::strcmp(name, "default") == 0) self->bindMetadata(id, true);
    if (std::strcmp(name, "settings") == 0) self->bindMetadata(id, false);
  }
}

void RegistryWatcher::onGlobalRemove(void* data, uint32_t id) {
  auto* self = static_cast<RegistryWatcher*>(data);
  self->forget(id);
  auto metadata = self->metadata_.find(id);
  if (metadata != self->metadata_.end()) {
    spa_hook_remove(&metadata->second->listener);
    pw_proxy_destroy(metadata->second->proxy);
    self->metadata_.erase(metadata);
  }
}

void RegistryWatcher::bindNode(uint32_t id) {
  if (nodes_.contains(id)) return;
  auto* proxy = static_cast<pw_proxy*>(
      pw_registry_bind(registry_, id, PW_TYPE_INTERFACE_Node, PW_VERSION_NODE, 0));
  if (proxy == nullptr) return;
  auto node = std::make_unique<Node>(this, id, proxy);
  static const pw_node_events nodeEvents = [] {
    pw_node_events e{};
    e.version = PW_VERSION_NODE_EVENTS;
    e.info = &RegistryWatcher::onNodeInfo;
    e.param = &RegistryWatcher::onNodeParam;
    return e;
  }();
  static const pw_proxy_events proxyEvents = [] {
    pw_proxy_events e{};
    e.version = PW_VERSION_PROXY_EVENTS;
    e.removed = &RegistryWatcher::onNodeRemoved;
    return e;
  }();
  pw_proxy_add_object_listener(proxy, &node->nodeListener, &nodeEvents, node.get());
  pw_proxy_add_listener(proxy, &node->proxyListener, &proxyEvents, node.get());
  uint32_t params[] = {SPA_PARAM_EnumFormat};
  pw_node_subscribe_params(reinterpret_cast<pw_node*>(proxy), params, 1);
  node->completeAtSync = pw_core_sync(core_, PW_ID_CORE, 0);
  nodes_.emplace(id, std::move(node));
}

void RegistryWatcher::bindMetadata(uint32_t id, bool isDefault) {
  auto* proxy = static_cast<pw_proxy*>(
      pw_registry_bind(registry_, id, PW_TYPE_INTERFACE_Metadata, PW_VERSION_METADATA, 0));
  if (proxy == nullptr) return;
  auto metadata = std::make_unique<Metadata>(Metadata{this, proxy, isDefault});
  static const pw_metadata_events events = [] {
    pw_metadata_events e{};
    e.version = PW_VERSION_METADATA_EVENTS;
    e.property = &RegistryWatcher::onMetadataProperty;
    return e;
  }();
  pw_proxy_add_object_listener(proxy, &metadata->listener, &events, metadata.get());
  metadata_.emplace(id, std::move(metadata));
}

void RegistryWatcher::onNodeInfo(void* data, const pw_node_info* info) {
  auto* node = static_cast<Node*>(data);
  MirroredNode& facts = node->facts;
  if ((info->change_mask & PW_NODE_CHANGE_MASK_STATE) != 0) {
    facts.inError = info->state == PW_NODE_STATE_ERROR;
  }
  if ((info->change_mask & PW_NODE_CHANGE_MASK_PROPS) != 0 && info->props != nullptr) {
    NodeProperties properties = parseNodeProperties(*info->props);
    facts.name = std::move(properties.name);
    facts.description = std::move(properties.description);
    facts.hasInput = properties.hasInput;
    facts.hasOutput = properties.hasOutput;
    node->propertyChannels = properties.channels;
    node->propertyPositions = std::move(properties.positions);
    facts.pinnedRate = properties.pinnedRate;
  }
  node->owner->changed(*node);
}

void RegistryWatcher::onNodeParam(void* data, int, uint32_t id, uint32_t index, uint32_t,
                                  const spa_pod* param) {
  auto* node = static_cast<Node*>(data);
  // The first EnumFormat entry is the node's preferred format.
  if (id != SPA_PARAM_EnumFormat || index != 0) return;
  node->format = parseNodeFormat(param);
  node->owner->changed(*node);
}

void RegistryWatcher::onNodeRemoved(void* data) {
  auto* node = static_cast<Node*>(data);
  node->owner->forget(node->globalId);
}

int RegistryWatcher::onMetadataProperty(void* data, uint32_t subject, const char* key, const char*,
                                        const char* value) {
  auto* metadata = static_cast<Metadata*>(data);
  RegistryWatcher& self = *metadata->owner;
  if (subject != PW_ID_CORE) return 0;
  if (metadata->isDefault) {
    if (key == nullptr || std::strcmp(key, "default.audio.sink") == 0) {
      PropertyChanges changes;
      self.mirror_.setDefaultSinkName(defaultNodeName(key != nullptr ? value : nullptr), changes);
      self.publish_(changes);
    }
    return 0;
  }
  if (key == nullptr) {
    self.settings_.clear();
  } else if (value == nullptr) {
    self.settings_.erase(key);
  } else {
    self.settings_[key] = std::atol(value);
  }
  self.applyClock();
  return 0;
}

void RegistryWatcher::applyClock() {
  auto setting = [&](const char* key, long fallback) {
    auto found = settings_.find(key);
    return found != settings_.end() && found->second > 0 ? found->second : fallback;
  };
  GraphClock clock;
  clock.rate = static_cast<double>(setting("clock.force-rate", setting("clock.rate", 48000)));
  const long forcedQuantum = setting("clock.force-quantum", 0);
  clock.quantum =
      static_cast<UInt32>(forcedQuantum > 0 ? forcedQuantum : setting("clock.quantum", 1024));
  clock.maximumQuantum =
      static_cast<UInt32>(forcedQuantum > 0 ? forcedQuantum : setting("clock.max-quantum", 2048));
  PropertyChanges changes;
  mirror_.setGraphClock(clock, changes);
  publish_(changes);
}

void RegistryWatcher::changed(Node& node) {
  MirroredNode& facts = node.facts;
  facts.positions = node.propertyPositions;
  facts.channels = node.propertyChannels;
  facts.format.reset();
  if (node.format) {
    facts.format = node.format->sample;
    if (facts.positions.empty()) facts.positions = node.format->positions;
    if (facts.channels == 0) facts.channels = node.format->channels;
  }
  if (facts.channels == 0) facts.channels = static_cast<UInt32>(facts.positions.size());
  // However many audio.channels asks for, the node opens no more ports than this PipeWire carries
  // in one stream: channels beyond those would be listed and play silence.
  facts.channels = std::min<UInt32>(facts.channels, SPA_AUDIO_MAX_CHANNELS);
  if (node.device == kAudioObjectUnknown) return;
  PropertyChanges changes;
  mirror_.update(node.device, facts, changes);
  publish_(changes);
}

void RegistryWatcher::syncDone(int seq) {
  PropertyChanges changes;
  for (auto& [id, node] : nodes_) {
    if (node->device != kAudioObjectUnknown || node->completeAtSync != seq) continue;
    node->device = mirror_.add(node->facts, changes);
  }
  publish_(changes);
}

void RegistryWatcher::forget(uint32_t id) {
  auto found = nodes_.find(id);
  if (found == nodes_.end()) return;
  Node& node = *found->second;
  PropertyChanges changes;
  if (node.device != kAudioObjectUnknown) mirror_.remove(node.device, changes);
  spa_hook_remove(&node.nodeListener);
  spa_hook_remove(&node.proxyListener);
  pw_proxy_destroy(node.proxy);
  nodes_.erase(found);
  publish_(changes);
}
