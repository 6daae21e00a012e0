// Named tracks: at most one sound per name, a new sound on a name replacing the old one.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "StreamingSound.h"

namespace morwick {

class CSoundTrackList : public CNonCopyable {
  public:
    class CSoundTrack {
      public:
        CStreamingSound streamingSound{ds::DSBCAPS_CTRLVOLUME};
        int32_t volume = 0;
    };

    ~CSoundTrackList() override;

    virtual void Clear();
    // The track of that name, created with volume 0 when there is none.
    virtual std::shared_ptr<CSoundTrack> GetTrack(const std::string& name);
    virtual size_t Remove(const std::string& name);
    virtual int32_t GetVolume(const std::string& name);
    virtual void SetVolume(const std::string& name, int32_t volume);
    virtual void ApplyVolume(const std::string& name);

    size_t Size() const { return tracks_.size(); }

  private:
    // std::string compares its bytes as unsigned characters, shorter first on a tie.
    std::map<std::string, std::shared_ptr<CSoundTrack>> tracks_;
};

}  // namespace morwick
