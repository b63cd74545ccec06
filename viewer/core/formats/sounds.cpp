#include "viewer/core/formats/sounds.h"

#include "common/file.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/writeback.h"

namespace brindle {

void ImportSoundFile(TDataFile& dataFile, int index, const std::string& path, CoreHost& host) {
  host.SuspendWatch(true);
  Bytes sound;
  if (!ReadWholeFile(path, &sound)) {
    host.Message(CannotOpenMessage(path));
  } else if (sound.size() < 4 || sound[0] != 'R' || sound[1] != 'I' || sound[2] != 'F' ||
             sound[3] != 'F') {
    host.Message("Sound file " + BaseName(path) + " is not a valid WAV!");
  } else {
    WriteBackSndEntry(dataFile, index, sound, host);
  }
  host.SuspendWatch(false);
}

}  // namespace brindle
