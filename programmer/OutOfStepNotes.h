// Notes that outlive a run: a programmer whose exchange broke off is still inside it when the
// next run of either program finds it, unless it was reconnected in between. One small file
// per programmer holds what identifies its plug-in.
#pragma once

#include <string>

#include "Transport.h"

namespace gantrel {

// The plug-in of the USB device behind the hidraw node `path` ("/dev/hidraw3"), from its
// busnum, devpath and devnum under `sysfsRoot`; where those cannot be read, the path alone.
PlugIn PlugInOfHidraw(const std::string& path, const std::string& sysfsRoot = "/sys");

class OutOfStepNotes {
 public:
  // The notes in `folder`, created when the first note is left. With `reconnected`, the user
  // says that the programmer was reconnected since: a note that matches is removed, not obeyed.
  explicit OutOfStepNotes(std::string folder, bool reconnected = false);

  // $XDG_RUNTIME_DIR/gantrel, else a folder of this user's own under the temporary folder.
  static std::string DefaultFolder();

  // At discovery: true when a note says that an earlier run broke off an exchange with this
  // plug-in. A note for the same port with another count (reconnected since) is removed.
  bool BrokenOffEarlier(const PlugIn& plugIn);
  // An exchange with `plugIn` broke off.
  void Leave(const PlugIn& plugIn);
  // `plugIn` was seen unplugged: its note no longer holds.
  void Remove(const PlugIn& plugIn);

 private:
  std::string FileFor(const PlugIn& plugIn) const;

  std::string folder_;
  bool reconnected_;
};

}  // namespace gantrel
