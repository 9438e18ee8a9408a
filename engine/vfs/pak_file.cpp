// PakFile and the ArchiveReader under its decoder: reads of stored, compressed and scrambled
// entries. Only a stored, plain file can seek; the others read strictly forwards from the start.
#include "vfs/pak_file_sys.h"

#include <new>

uint32_t ArchiveReader::read(void* buffer, uint32_t count) {
  uint32_t got = archive_->read(buffer, count);
  if (state_) descramble(buffer, got, state_);
  consumed_ += got;
  return got;
}

PakFile::PakFile(const VfsString& name, FileSys* owner, VFile* archive, const PakEntry& entry, bool scrambled)
    : VFile(name, kOpenRead, owner),
      data_offset_(entry.offset),
      size_(entry.size),
      archive_(archive),
      packing_(entry.packing),
      scrambled_(scrambled) {
  scramble_reset(&state_);
  if (!compressed()) return;
  codec_ = new (std::nothrow) LzssCodec;
  reader_ = new (std::nothrow) ArchiveReader(archive_, scrambled_ ? &state_ : nullptr);
  if (codec_ && reader_) decoder_ = codec_->make_decoder(reader_);
}

PakFile::~PakFile() {
  delete decoder_;
  delete codec_;
  delete reader_;
}

uint32_t PakFile::read(void* buffer, uint32_t count) {
  uint64_t left = size_ - position_;
  if (count > left) count = static_cast<uint32_t>(left);
  if (count == 0) return 0;
  uint32_t got = 0;
  if (!compressed()) {
    if (archive_->seek(data_offset_ + position_)) {
      got = archive_->read(buffer, count);
      if (scrambled_) descramble(buffer, got, &state_);
    }
  } else if (archive_->seek(data_offset_ + reader_->consumed())) {
    got = decoder_->read(buffer, count);
  }
  position_ += got;
  return got;
}

bool PakFile::seek(uint64_t position) {
  if ((compressed() || scrambled_) && position != position_) return false;
  if (position > size_) return false;
  position_ = position;
  return true;
}
