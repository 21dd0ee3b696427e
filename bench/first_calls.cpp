// Each library operation's first call in a fresh process on one drawing, as a macro meets it
// after opening the drawing: the wall and CPU time of each, in milliseconds, and the memory it
// leaves in use (heap), newly resident (rss+) and the process's peak so far (peak), in MiB: fresh
// pages are what a first call pays for on this kind of machine. Run it once per process
// (whole_process.sh does, several times, and takes the medians).
//
// Usage: first_calls DRAWING.vsdx PARTS.mdb PROPS.mdb
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <memory>

#include "db/sqlite_engine.h"
#include "frame/pw2.h"
#include "host/memory_controls.h"
#include "host/message_boxes.h"
#include "host/vsdx/vsdx_drawing.h"

namespace {

using namespace kvpw;

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double ResidentMiB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// The process's high-water mark of resident memory so far.
double PeakMiB() {
  double peak = 0;
  if (FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    long kib = 0;
    while (std::fgets(line, sizeof line, f))
      if (std::sscanf(line, "VmHWM: %ld", &kib) == 1) peak = static_cast<double>(kib) / 1024.0;
    std::fclose(f);
  }
  return peak;
}

double HeapMiB() {
  const struct mallinfo2 m = mallinfo2();
  return static_cast<double>(m.uordblks + m.hblkhd) / 1048576.0;
}

template <class Work>
void Time(const char* name, Work work) {
  const double rss = ResidentMiB();
  const auto wall = std::chrono::steady_clock::now();
  const double cpu = CpuMs();
  work();
  const double cpu_ms = CpuMs() - cpu;
  const double wall_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall).count();
  std::printf("%-34s %8.1f %8.1f %8.1f %8.1f %8.1f\n", name, wall_ms, cpu_ms, HeapMiB(),
              ResidentMiB() - rss, PeakMiB());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: first_calls DRAWING.vsdx PARTS.mdb PROPS.mdb\n");
    return 2;
  }
  try {
    auto boxes = std::make_shared<host::RecordingMessageBox>();
    auto platform = std::make_shared<Platform>(Platform{db::MakeSqliteEngine(), boxes});
    Pw2 pw2(platform);
    const Text parts = FromUtf8(argv[2]), props = FromUtf8(argv[3]);
    pw2.Initialize(parts, props);
    std::printf("%-34s %8s %8s %8s %8s %8s\n", "operation", "wall(ms)", "cpu(ms)", "heap", "rss+",
                "peak");
    std::shared_ptr<host::Document> doc;
    Time("open", [&] { doc = host::OpenVsdx(argv[1]); });
    const int16_t pages = doc->pages().count();
    Time("UpdateDeviceList", [&] { pw2.UpdateDeviceList(doc, true); });
    Time("CheckForDuplicateAddresses", [&] { pw2.CheckForDuplicateAddresses(doc, props); });
    Time("CheckForInvalidPointTypes",
         [&] { pw2.CheckForInvalidPointTypes(pages, 1, doc, parts, props); });
    Time("CheckForInvalidPointConnections",
         [&] { pw2.CheckForInvalidPointConnections(pages, 1, doc, parts); });
    auto list = std::make_shared<host::MemoryListBox>(u"lstDevices");
    Time("GetAllDeviceNames", [&] { pw2.GetAllDeviceNames(list, doc); });
    auto network = std::make_shared<host::MemoryComboBox>(u"cboNetwork");
    auto gcm = std::make_shared<host::MemoryComboBox>(u"cboGCM");
    auto intr = std::make_shared<host::MemoryComboBox>(u"cboINTR");
    Time("PopulateComboNetwork", [&] { pw2.PopulateComboNetwork(network, doc); });
    Time("PopulateComboGCM", [&] { pw2.PopulateComboGCM(network, gcm, doc); });
    Time("PopulateComboINTR", [&] { pw2.PopulateComboINTR(network, gcm, intr, doc); });
    Time("UpdateDeviceList (again)", [&] { pw2.UpdateDeviceList(doc, true); });
    const std::string saved = std::string(argv[1]) + ".first_calls.vsdx";
    Time("save", [&] { host::SaveVsdx(*doc, saved); });
    std::remove(saved.c_str());
    std::fprintf(stderr, "%d devices listed, %zu boxes\n", list->list_count(),
                 boxes->boxes().size());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "first_calls: %s\n", e.what());
    return 2;
  }
  return 0;
}
