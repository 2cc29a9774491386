#pragma once
// PacketType: the kind of one packet of an update list ("packe_type" of an "update_list" item), which
// decides where the packet is downloaded and how the update run applies it.

enum PacketType : int {
  // A database update pack (a SQLite file) merged into a working copy of the subject's bank.
  kPacketTypeDBUpdate = 1,
  // A zip of question images unpacked into the subject's image folder.
  kPacketTypeImages = 3,
  // An application package, downloaded to its own folder and handed to the package installer.
  kPacketTypeApplication = 4,
  // A new full question bank (the subject's database and its image pack in one zip).
  kPacketTypeNewBank = 6,
  // A zip holding a database update pack and an image zip.
  kPacketTypeDBAndImages = 8,
};
