// vx_skewed_clock GROUP FILE: drives the graph of the nodes in node.group GROUP on a clock of its
// own, as many parts per million as FILE says fast (slow when negative) against CLOCK_MONOTONIC,
// as a sound card's crystal runs off the system's. A device in the group (the test interface) then
// delivers its nominal rate's frames at the skewed rate. SIGHUP reads FILE again: one clock serves
// a whole session, because the session manager (WirePlumber 0.4.13) crashes when streams link
// into the group of a second clock node. Runs until killed.
//
// Everything after the start runs on the stream's data thread: the timer and the cycles it
// triggers, so that a trigger never meets a cycle it queued before.
#include <pipewire/pipewire.h>
#include <pthread.h>
#include <spa/param/audio/format-utils.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <ctime>
#include <fstream>

namespace {

struct Clock {
  pw_stream* stream = nullptr;
  pw_loop* dataLoop = nullptr;
  spa_source* timer = nullptr;
  // io_changed may come on the main thread: stored with release, loaded with acquire.
  std::atomic<const spa_io_position*> position{nullptr};
  double ppm = 0;
  timespec start{};
  double frames = 0;            // the frames of the cycles triggered since the skew was set
  std::uint64_t position0 = 0;  // the frames of the cycles before that
};

void onProcess(void* data) {
  auto* clock = static_cast<Clock*>(data);
  if (pw_buffer* buffer = pw_stream_dequeue_buffer(clock->stream)) {
    buffer->buffer->datas[0].chunk->size = 0;
    pw_stream_queue_buffer(clock->stream, buffer);
  }
}

void onIoChanged(void* data, std::uint32_t id, void* area, std::uint32_t) {
  if (id != SPA_IO_Position) return;
  static_cast<Clock*>(data)->position.store(static_cast<const spa_io_position*>(area),
                                            std::memory_order_release);
}

// Each cycle is due once the frames before it have taken their skewed time since the start; the
// graph sets the quantum and the rate of its driver's cycles. As a card's driver does, the clock
// tells the graph when the cycle began and how many frames came before it, so that the streams it
// drives see their cycles' times and any cycle they missed.
void onTimer(void* data, std::uint64_t) {
  auto* clock = static_cast<Clock*>(data);
  double duration = 1024, rate = 48000;
  auto* position = const_cast<spa_io_position*>(clock->position.load(std::memory_order_acquire));
  if (position != nullptr && position->clock.rate.denom != 0) {
    duration = static_cast<double>(position->clock.duration);
    rate = position->clock.rate.denom;
  }
  const auto dueAfter = [&](double frames) {
    const auto nanos =
        static_cast<std::int64_t>(frames / (rate * (1.0 + clock->ppm * 1e-6)) * 1e9) +
        clock->start.tv_nsec;
    return timespec{clock->start.tv_sec + static_cast<time_t>(nanos / 1000000000),
                    static_cast<long>(nanos % 1000000000)};
  };
  if (position != nullptr) {
    const timespec began = dueAfter(clock->frames);
    position->clock.nsec = static_cast<std::uint64_t>(began.tv_sec) * 1000000000u +
                           static_cast<std::uint64_t>(began.tv_nsec);
    position->clock.position = clock->position0 + static_cast<std::uint64_t>(clock->frames);
  }
  pw_stream_trigger_process(clock->stream);
  clock->frames += duration;
  timespec due = dueAfter(clock->frames);
  pw_loop_update_timer(clock->dataLoop, clock->timer, &due, nullptr, true);
}

// On the data thread: as a card's interrupt would, the clock ticks ahead of the programs it
// drives (when the process may raise its priority; otherwise a loaded machine delays ticks).
int startTimer(spa_loop*, bool, std::uint32_t, const void*, std::size_t, void* data) {
  auto* clock = static_cast<Clock*>(data);
  sched_param priority{};
  priority.sched_priority = 80;
  pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);
  clock->timer = pw_loop_add_timer(clock->dataLoop, onTimer, clock);
  clock_gettime(CLOCK_MONOTONIC, &clock->start);
  pw_loop_update_timer(clock->dataLoop, clock->timer, &clock->start, nullptr, true);
  return 0;
}

// On the data thread: the new skew counts from now.
int setSkew(spa_loop*, bool, std::uint32_t, const void* ppm, std::size_t, void* data) {
  auto* clock = static_cast<Clock*>(data);
  clock->ppm = *static_cast<const double*>(ppm);
  clock->position0 += static_cast<std::uint64_t>(clock->frames);
  clock->frames = 0;
  clock_gettime(CLOCK_MONOTONIC, &clock->start);
  return 0;
}

const char* skewFile = nullptr;
Clock* theClock = nullptr;

void readSkew(void*, int) {
  double ppm = 0;
  std::ifstream(skewFile) >> ppm;
  pw_loop_invoke(theClock->dataLoop, setSkew, 0, &ppm, sizeof(ppm), false, theClock);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  // Blocked in every thread, so that only the main loop's signal source takes it.
  sigset_t hangUp;
  sigemptyset(&hangUp);
  sigaddset(&hangUp, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &hangUp, nullptr);
  pw_init(&argc, &argv);
  Clock clock;
  skewFile = argv[2];
  theClock = &clock;
  pw_main_loop* loop = pw_main_loop_new(nullptr);
  static const pw_stream_events events = [] {
    pw_stream_events table{};
    table.version = PW_VERSION_STREAM_EVENTS;
    table.process = onProcess;
    table.io_changed = onIoChanged;
    return table;
  }();
  clock.stream = pw_stream_new_simple(
      pw_main_loop_get_loop(loop), "vx-skewed-clock",
      pw_properties_new(PW_KEY_NODE_NAME, "vx-skewed-clock", PW_KEY_NODE_GROUP, argv[1],
                        PW_KEY_PRIORITY_DRIVER, "100000", PW_KEY_MEDIA_TYPE, "Audio",
                        PW_KEY_MEDIA_CLASS, "Stream/Output/Audio", nullptr),
      &events, &clock);
  spa_audio_info_raw info{};
  info.format = SPA_AUDIO_FORMAT_F32;
  info.rate = 48000;
  info.channels = 1;
  std::uint8_t podBuffer[512];
  spa_pod_builder builder = SPA_POD_BUILDER_INIT(podBuffer, sizeof(podBuffer));
  const spa_pod* params[1] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};
  pw_stream_connect(
      clock.stream, PW_DIRECTION_OUTPUT, PW_ID_ANY,
      static_cast<pw_stream_flags>(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS |
                                   PW_STREAM_FLAG_RT_PROCESS),
      params, 1);
  clock.dataLoop = pw_data_loop_get_loop(
      pw_context_get_data_loop(pw_core_get_context(pw_stream_get_core(clock.stream))));
  pw_loop_invoke(clock.dataLoop, startTimer, 0, nullptr, 0, true, &clock);
  readSkew(nullptr, 0);
  pw_loop_add_signal(pw_main_loop_get_loop(loop), SIGHUP, readSkew, nullptr);
  pw_main_loop_run(loop);
  return 0;
}
