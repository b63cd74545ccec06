#include "viewer/core/formats/sounds.h"

#include "common/file.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/writeback.h"

namespace brindle {

Status ImportSoundFile(TDataFile& dataFile, int index, const std::string& path, CoreHost& host) {
  const WatchHold hold(host);
  Result<Bytes> read = ReadWholeFile(path);
  if (!read) return Fail(CannotOpenMessage(path), ErrorKind::kCannotOpen);
  Bytes sound = std::move(*read);
  if (sound.size() < 4 || sound[0] != 'R' || sound[1] != 'I' || sound[2] != 'F' || sound[3] != 'F')
    return Fail("Sound file " + BaseName(path) + " is not a valid WAV!", ErrorKind::kDamaged);
  return WriteBackSndEntry(dataFile, index, sound, host);
}

}  // namespace brindle
