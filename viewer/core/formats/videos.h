#pragma once
// Movies in VID containers: copied out as they are stored, and handed to a player.

#include <functional>
#include <string>
#include <vector>

#include "common/result.h"
#include "viewer/core/containers/data_file.h"

namespace brindle {

// "Movie Size: N bytes".
std::string MovieSizeText(const TResourceInfo& entry);

// Copies the movie's stored bytes into dest (replaced when it exists) in blocks of 4000
// bytes, reporting (block, blocks) before each whole block. Fails with "Cannot write file
// DEST: REASON" when a file cannot be opened or written.
Status CopyMovie(const std::string& containerPath, const TResourceInfo& entry,
                 const std::string& dest, const std::function<void(int, int)>& progress);

// How to play a movie: the temporary copy and the player started on it. An empty program
// means nothing is started (a kind no player knows).
struct PlayerLaunch {
  std::string tempFile;
  std::string program;
  std::vector<std::string> arguments;
};
// ".ztp" (or no extension) goes to reelrun with "/L /V3", ".kno" to spoolrun.
PlayerLaunch MakePlayerLaunch(const std::string& entryName, const std::string& programDir,
                              const std::string& tempDir);

}  // namespace brindle
