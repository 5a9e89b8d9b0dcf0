// Changing a file's size: clusters are added at the end of the chain or cut from it, then the
// directory entry is rewritten and the position is put back (lowered to the new size when it
// was beyond). Also the rewrite of a file's directory entry.
#include "fs/fat/fat_format.h"
#include "fs/fat/fat_internal.h"

namespace fat {
namespace {

// ---- directory entry rewrite ----------------------------------------------------------------
struct EntryFrame {
  kiv_fatfs_file_t* file;
  uint32_t size;
  uint32_t first_cluster;
  bool written;
};

void entry_handler(void* area, kiv_evt_t evt) {
  auto& f = frame<EntryFrame>(area);
  kiv_fatfs_info_t* v = f.file->node.root;
  if (evt == KIV_EVT_INIT) {
    if (cache_read(&v->cache, f.file->entry_sector, 1, nullptr) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
    return;
  }
  if (evt != KIV_EVT_RETURN) return;
  if (kiv_eda_get_return_value() < 0) return finish(KIV_ERR_INVALID_STATE);
  if (f.written) return finish(KIV_ERR_NONE);
  uint8_t* sector = cache_peek(&v->cache, f.file->entry_sector);
  auto& e = reinterpret_cast<DirEntry*>(sector)[f.file->entry_index];
  kiv_put_le32(e.file_size, f.size);
  kiv_put_le16(e.cluster_high, static_cast<uint16_t>(f.first_cluster >> 16));
  kiv_put_le16(e.cluster_low, static_cast<uint16_t>(f.first_cluster));
  f.written = true;
  if (cache_write(&v->cache, f.file->entry_sector, 1, sector) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
}

// ---- resize ---------------------------------------------------------------------------------
struct ResizeFrame {
  kiv_fs_resize_param_t p;
  uint64_t reached;    // seek result
  uint64_t saved_pos;
  uint32_t todo;       // clusters still to add
  uint32_t next;       // first cluster still to free
  uint32_t following;  // the one after it
};
static_assert(sizeof(ResizeFrame) - sizeof(kiv_fs_resize_param_t) <= kResizeFramePrivate);

enum { RS_GROW_SEEK = 0, RS_GROW, RS_CUT_SEEK, RS_CUT_GET, RS_CUT_MARK, RS_FREE_GET, RS_FREE_SET, RS_ENTRY, RS_RESTORE };

kiv_fatfs_node_t* node_of(void* area) { return reinterpret_cast<kiv_fatfs_node_t*>(kiv_fs_target(area)); }

uint64_t clusters_for(const kiv_fatfs_info_t* v, uint64_t size) {
  return (size + cluster_bytes(v) - 1) / cluster_bytes(v);
}

// Enters `state`, then starts the sub-call (the state must be set while this frame is still
// the current one); a sub-call that cannot start ends the resize.
template <typename Start>
void step(int state, Start start) {
  kiv_eda_set_frame_state(state);
  if (start() < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
}

void rewrite_entry(ResizeFrame& f, kiv_fatfs_node_t* n) {
  kiv_eda_set_frame_state(RS_ENTRY);
  if (entry_rewrite(reinterpret_cast<kiv_fatfs_file_t*>(n), static_cast<uint32_t>(f.p.size), n->first_cluster) < 0)
    finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
}

void free_next(ResizeFrame& f, kiv_fatfs_node_t* n) {
  if (!is_next(n->root, f.next)) return rewrite_entry(f, n);
  kiv_eda_set_frame_state(RS_FREE_GET);
  if (fat_get(n->root, f.next) < 0) finish(KIV_ERR_NOT_ENOUGH_RESOURCES);
}

void resize_start(ResizeFrame& f, kiv_fatfs_node_t* n) {
  const kiv_fatfs_info_t* v = n->root;
  if (f.p.size > 0xFFFFFFFFull) return finish(KIV_ERR_INVALID_STATE);  // beyond FAT's 4 GiB
  f.saved_pos = n->file.pos;
  uint64_t have = clusters_for(v, n->file.size), want = clusters_for(v, f.p.size);
  if (n->first_cluster == 0) have = 0;
  else if (have == 0) have = 1;  // an empty file that still holds a cluster
  if (want > have) {
    f.todo = static_cast<uint32_t>(want - have);
    return step(RS_GROW_SEEK, [&] { return seek_node(n, have ? n->file.size : 0, &f.reached); });
  }
  if (want == have) return rewrite_entry(f, n);
  if (want == 0) {  // the whole chain goes
    f.next = n->first_cluster;
    n->first_cluster = 0;
    n->cur_cluster = n->cur_sector = n->cur_offset = 0;
    return free_next(f, n);
  }
  step(RS_CUT_SEEK, [&] { return seek_node(n, f.p.size, &f.reached); });
}

void grow(ResizeFrame& f, kiv_fatfs_node_t* n) {
  if (f.todo == 0) return rewrite_entry(f, n);
  step(RS_GROW, [&] { return fat_alloc(n->root, n->first_cluster ? n->cur_cluster : 0); });
}

void resize_return(ResizeFrame& f, kiv_fatfs_node_t* n, int r) {
  switch (kiv_eda_get_frame_state()) {
    case RS_GROW_SEEK:
      return grow(f, n);
    case RS_GROW:
      if (n->first_cluster == 0) n->first_cluster = static_cast<uint32_t>(r);
      n->cur_cluster = static_cast<uint32_t>(r);
      f.todo--;
      return grow(f, n);
    case RS_CUT_SEEK:  // the position now lies in the last cluster that stays
      return step(RS_CUT_GET, [&] { return fat_get(n->root, n->cur_cluster); });
    case RS_CUT_GET:
      f.next = static_cast<uint32_t>(r);
      return step(RS_CUT_MARK, [&] { return fat_set(n->root, n->cur_cluster, kEndOfChain); });
    case RS_CUT_MARK:
      return free_next(f, n);
    case RS_FREE_GET:
      f.following = static_cast<uint32_t>(r);
      return step(RS_FREE_SET, [&] { return fat_set(n->root, f.next, 0); });
    case RS_FREE_SET:
      f.next = f.following;
      return free_next(f, n);
    case RS_ENTRY: {
      uint64_t pos = f.saved_pos < f.p.size ? f.saved_pos : f.p.size;
      // Seeking needs the new size's view of the file: the position may have left the chain.
      n->file.pos = pos;
      return step(RS_RESTORE, [&] { return seek_node(n, pos, &f.reached); });
    }
    default:
      return finish(KIV_ERR_NONE);
  }
}

}  // namespace

int entry_rewrite(kiv_fatfs_file_t* f, uint32_t size, uint32_t first_cluster) {
  return call(entry_handler, f, EntryFrame{f, size, first_cluster, false});
}

void fat_resize(void* area, kiv_evt_t evt) {
  auto& f = frame<ResizeFrame>(area);
  kiv_fatfs_node_t* n = node_of(area);
  if (evt == KIV_EVT_INIT) {
    if (is_dir(n)) return finish(KIV_ERR_INVALID_ACCESS);
    return resize_start(f, n);
  }
  if (evt != KIV_EVT_RETURN) return;
  int r = kiv_eda_get_return_value();
  if (r < 0) return finish(KIV_ERR_INVALID_STATE);
  resize_return(f, n, r);
}

}  // namespace fat
