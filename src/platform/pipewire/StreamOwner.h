#pragma once

// Something that holds a pw_stream on the hardware's core. A core cannot be disconnected under
// live streams (their teardown reaches into it), so when the daemon goes the hardware asks every
// owner to release its stream first. Called on the PipeWire thread under the loop lock.
class StreamOwner {
 public:
  virtual void releaseStream() = 0;

 protected:
  ~StreamOwner() = default;
};
