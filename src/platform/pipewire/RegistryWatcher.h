#pragma once

#include <pipewire/pipewire.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/pipewire/DeviceMirror.h"

// Follows one connection's registry on the PipeWire thread and keeps the mirror in step: binds
// every audio device node (for its channel positions and EnumFormat, which only the bound node
// carries) and the "default" and "settings" metadata. A node enters the mirror once a round trip
// after binding has delivered its info and formats, so that it never appears half described.
// Every method, and the destructor, runs on the PipeWire thread.
class RegistryWatcher {
 public:
  using Publish = std::function<void(const PropertyChanges&)>;

  RegistryWatcher(pw_core* core, DeviceMirror& mirror, Publish publish);
  ~RegistryWatcher();
  RegistryWatcher(const RegistryWatcher&) = delete;
  RegistryWatcher& operator=(const RegistryWatcher&) = delete;

  // The core answered a sync: nodes bound before it are complete.
  void syncDone(int seq);

 private:
  struct Node;
  struct Metadata;

  static void onGlobal(void* data, uint32_t id, uint32_t permissions, const char* type,
                       uint32_t version, const spa_dict* props);
  static void onGlobalRemove(void* data, uint32_t id);
  static void onNodeInfo(void* data, const pw_node_info* info);
  static void onNodeParam(void* data, int seq, uint32_t id, uint32_t index, uint32_t next,
                          const spa_pod* param);
  static void onNodeRemoved(void* data);
  static int onMetadataProperty(void* data, uint32_t subject, const char* key, const char* type,
                                const char* value);

  void bindNode(uint32_t id);
  void bindMetadata(uint32_t id, bool isDefault);
  void changed(Node& node);
  void forget(uint32_t id);
  void applyClock();

  pw_core* core_;
  DeviceMirror& mirror_;
  Publish publish_;
  pw_registry* registry_;
  spa_hook registryListener_{};
  std::map<uint32_t, std::unique_ptr<Node>> nodes_;  // by global id
  std::map<uint32_t, std::unique_ptr<Metadata>> metadata_;
  std::map<std::string, long> settings_;  // clock.* keys of the "settings" metadata
};
