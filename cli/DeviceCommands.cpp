#include "CliCommands.h"

#include <algorithm>
#include <memory>

#include "DeviceLink.h"
#include "FuseMeaning.h"
#include "HidapiProgrammer.h"
#include "JedecFileCheck.h"
#include "JedecWriter.h"
#include "OutOfStepNotes.h"
#include "Simulation.h"

namespace gantrel {
namespace {

// Differences listed by name before the rest are only counted.
constexpr std::size_t kDifferencesShown = 10;

const char* ExchangeName(ExchangeKind kind) {
  switch (kind) {
    case ExchangeKind::Upload:
      return "upload";
    case ExchangeKind::Program:
      return "burn";
    case ExchangeKind::Read:
      return "read-back";
    case ExchangeKind::Pes:
      return "signature query";
  }
  return "exchange";
}

std::string DescribeMissingProgrammer(const DiscoveryStatus& status) {
  std::string text = DescribeDiscovery(status);
  if (status.State == LinkState::NotFound) text += " (no USB HID device 04D8:003F)";
  if (status.PermissionDenied) {
    text +=
        "\nOnce the rule is installed (lib/udev/rules.d), load it with: "
        "udevadm control --reload-rules && udevadm trigger";
  }
  return text;
}

// Shows where an exchange stands on one terminal line, rewritten in place.
class TerminalProgress {
 public:
  TerminalProgress(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}
  ~TerminalProgress() {
    if (shown_) err_ << "\n";
  }
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  ProgressFn Callback() {
    if (!enabled_) return {};
    return [this](const ExchangeProgress& p) {
      err_ << "\r" << ExchangeName(p.Kind) << ": " << (p.Sending ? "sending" : "receiving")
           << " report " << p.Index << " of " << p.Count << "   " << std::flush;
      shown_ = true;
    };
  }

 private:
  std::ostream& err_;
  bool enabled_;
  bool shown_ = false;
};

// A device command's run: its options, the programmer it talks to, and where it reports.
class DeviceRun {
 public:
  explicit DeviceRun(const CliCall& call)
      : command_(call.Command),
        line_(call.Line),
        in_(call.In),
        out_(call.Out),
        err_(call.Err),
        env_(call.Env) {}

  // Sets up the simulated or the real programmer and opens it; kExitOk or the exit status.
  int Connect() {
    const auto given = [this](const char* name) {
      const std::string* value = line_.Value(name);
      return value != nullptr ? std::optional<std::string>(*value) : std::nullopt;
    };
    const SimulationOptions options{
        line_.Has("--simulate"), given("--simulate-chip"), given("--simulate-fault"),
        [this](const std::string& path) { return CheckJedecOperand(path, in_); }};
    if (options.Wanted()) {
      Simulation made = MakeSimulation(options);
      if (!made.Programmer) return UsageError(err_, command_, made.Problem);
      if (!made.Notice.empty()) err_ << "gantrel-cli " << command_ << ": " << made.Notice << "\n";
      simulated_ = std::move(made.Programmer);
      backend_ = std::make_unique<SimulatedBackend>(*simulated_);
    } else {
      backend_ = std::make_unique<HidapiBackend>();
      notes_ = std::make_unique<OutOfStepNotes>(OutOfStepNotes::DefaultFolder(),
                                                line_.Has("--reconnected"));
    }
    link_ = std::make_unique<DeviceLink>(*backend_, LinkTimeouts{}, notes_.get());
    const DiscoveryStatus& status = link_->OpenProgrammer();
    if (status.State != LinkState::Open) return NoProgrammer(status);
    if (link_->BrokenOffEarlier()) {
      // Its firmware may still be inside that exchange: nothing is sent.
      err_ << "gantrel-cli " << command_
           << ": an earlier run broke off an exchange with this programmer; reconnect it (unplug "
              "it and plug it in again)\n";
      if (status.Plug.Count.empty())
        err_ << "Once it is reconnected, run the command again with --reconnected.\n";
      return kExitFailed;
    }
    return kExitOk;
  }

  // True once the programmer reported a successful burn.
  bool Burned() const { return burned_; }

  // The exit status for an exchange that did not complete, with the reason on stderr.
  int ExchangeFailed(const ExchangeResult& result) {
    if (result.Error == ExchangeError::NoProgrammer) return NoProgrammer(link_->Status());
    err_ << "gantrel-cli " << command_ << ": " << ExchangeName(result.Kind)
         << " failed: " << DescribeExchangeFailure(result)
         << "\nThe programmer must be reconnected before it is used again.\n";
    return kExitFailed;
  }

  // Runs one exchange with its progress line, ended before anything else is said.
  template <typename Exchange>
  ExchangeResult WithProgress(Exchange exchange) {
    TerminalProgress progress(err_, env_.ProgressToTerminal);
    return exchange(progress.Callback());
  }

  // Reads the chip's fuses into `fuses` (all 0 beyond what the image carries).
  int ReadChip(FuseArray& fuses) {
    FuseImage image{};
    const ExchangeResult result = WithProgress(
        [&](const ProgressFn& progress) { return link_->ReadFuseImage(image, progress); });
    if (!result.Ok()) return ExchangeFailed(result);
    fuses.fill(0);
    UnpackFuseImage(image, fuses);
    return kExitOk;
  }

  int Pes() {
    PesBytes pes{};
    const ExchangeResult result =
        WithProgress([&](const ProgressFn& progress) { return link_->ReadPes(pes, progress); });
    if (!result.Ok()) return ExchangeFailed(result);
    if (PesString(pes).empty()) {
      err_ << "gantrel-cli pes: the signature is empty (the programmer answered zeros; is a "
              "chip in the socket?)\n";
      return kExitFailed;
    }
    std::string text;
    for (const char c : PesString(pes)) {
      const auto byte = static_cast<std::uint8_t>(c);
      // Keep the line readable whatever the chip answered.
      text += byte >= 0x20 && byte <= 0x7E ? std::string(1, c) : "\\x" + HexWord(byte).substr(2);
    }
    out_ << text << "\n";
    out_.flush();
    return kExitOk;
  }

  // Reads the chip as a JEDEC text whose header carries `time`.
  int Read(const std::tm& time) {
    FuseArray fuses{};
    const int status = ReadChip(fuses);
    if (status != kExitOk) return status;
    std::string text = JedecWriter(fuses, kPesBytes, time);
    if (line_.Has("--frame")) text = FrameJedecText(text);
    return EmitOutput(line_.Value("--output"), text, out_, err_);
  }

  int Program(const JedecFileCheck& file) {
    FuseImage image{};
    PackFuseImage(file.Fuses, image);
    const ExchangeResult upload = WithProgress(
        [&](const ProgressFn& progress) { return link_->UploadFuseImage(image, progress); });
    if (!upload.Ok()) return ExchangeFailed(upload);
    // The link burns only over the connection that took the upload, and opens none for it.
    const ExchangeResult burn =
        WithProgress([&](const ProgressFn& progress) { return link_->ProgramChip(progress); });
    if (burn.Error == ExchangeError::NoProgrammer || burn.Error == ExchangeError::NotUploaded) {
      err_ << "gantrel-cli program: the programmer was disconnected after the upload; nothing "
              "was burned\n";
      return kExitFailed;
    }
    if (burn.Error == ExchangeError::TransferFailed && !burn.Sending) {
      // The 'w' went out and its answer did not come: the chip may have been burned, or not.
      err_ << "gantrel-cli program: "
           << (burn.Transfer == TransferError::NoAnswer
                   ? "no answer to the burn command within " + DescribeBound(burn.Bound)
                   : DescribeExchangeFailure(burn))
           << ": whether the chip was burned is unknown\nThe programmer must be reconnected "
              "before it is used again.\n";
      return kExitFailed;
    }
    if (!burn.Ok()) return ExchangeFailed(burn);
    if (!burn.Burned) {
      err_ << "gantrel-cli program: burning the chip failed: the programmer answered "
           << DescribeByte(burn.Answer) << " instead of 'a' (0x61)\n";
      return kExitFailed;
    }
    burned_ = true;
    if (line_.Has("--no-verify")) {
      out_ << file.Path << ": programmed (not verified)\n";
      out_.flush();
      return kExitOk;
    }
    // A read-back that fails is reported by ReadChip; only a chip that was read can differ.
    FuseArray chip{};
    const int read = ReadChip(chip);
    if (read != kExitOk) return read;
    const int status = CompareWithChip(file, chip);
    if (status == kExitFailed) {
      err_ << "gantrel-cli program: the chip differs from " << file.Path << " after burning\n";
    } else if (status == kExitOk) {
      out_ << file.Path << ": programmed and verified\n";
      out_.flush();
    }
    return status;
  }

  // Reads the chip and compares fuses 0..5891 with the file's; kExitFailed when they differ.
  int Verify(const JedecFileCheck& file) {
    FuseArray chip{};
    const int status = ReadChip(chip);
    if (status != kExitOk) return status;
    return CompareWithChip(file, chip);
  }

  // Lists the first differing fuses 0..5891 of the file and the chip; kExitFailed when any do.
  int CompareWithChip(const JedecFileCheck& file, const FuseArray& chip) {
    const std::vector<int> differing = DifferingFuses(file.Fuses, chip);
    if (differing.empty()) {
      if (command_ == "verify")
        out_ << file.Path << ": the chip matches all " << kDeviceFuseCount << " fuses\n";
      out_.flush();
      return kExitOk;
    }
    out_ << file.Path << ": " << differing.size() << " of " << kDeviceFuseCount
         << " fuses differ on the chip\n";
    const std::size_t shown = std::min<std::size_t>(differing.size(), kDifferencesShown);
    for (std::size_t i = 0; i < shown; ++i) {
      const int fuse = differing[i];
      out_ << "fuse " << fuse << " (" << FuseRowAddress(fuse) << "): file " << int{file.Fuses[fuse]}
           << ", chip " << int{chip[fuse]} << "\n";
    }
    if (differing.size() > shown) out_ << "and " << (differing.size() - shown) << " more\n";
    out_.flush();
    return kExitFailed;
  }

 private:
  int NoProgrammer(const DiscoveryStatus& status) {
    err_ << "gantrel-cli " << command_ << ": " << DescribeMissingProgrammer(status) << "\n";
    return kExitNoProgrammer;
  }

  const std::string& command_;
  const CommandLine& line_;
  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  const CliEnvironment& env_;
  std::shared_ptr<SimulatedProgrammer> simulated_;
  std::unique_ptr<OutOfStepNotes> notes_;
  std::unique_ptr<DeviceBackend> backend_;
  std::unique_ptr<DeviceLink> link_;
  bool burned_ = false;
};

}  // namespace

int RunDeviceCommand(const CliCall& call) {
  const std::string& command = call.Command;
  const CommandLine& line = call.Line;
  std::ostream& out = call.Out;
  std::ostream& err = call.Err;
  const CliEnvironment& env = call.Env;
  // A bad SOURCE_DATE_EPOCH is reported before the chip is touched.
  std::tm time{};
  if (command == "read" && !HeaderTime(env, time, err)) return kExitUsage;

  // A syntax error is always refused, a checksum mismatch or another device's file unless
  // --force.
  JedecFileCheck file;
  if (line.Operands().size() == 1) {
    file = CheckJedecOperand(line.Operands().front(), call.In);
    const int status = AcceptCheckedFile(file, line.Has("--force"), "use", "used", err);
    if (status != kExitOk) return status;
  }

  DeviceRun run(call);
  const int connected = run.Connect();
  if (connected != kExitOk) return connected;
  if (command == "pes") return run.Pes();
  if (command == "read") return run.Read(time);
  if (command != "program") return run.Verify(file);
  const int status = run.Program(file);
  // A script that lost the report still learns what became of the chip.
  if (run.Burned() && !out.flush()) {
    err << "gantrel-cli program: the chip was programmed with " << file.Path
        << (status == kExitOk && !line.Has("--no-verify") ? " and verified" : "") << "\n";
  }
  return status;
}

}  // namespace gantrel
