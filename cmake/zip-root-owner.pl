#!/usr/bin/perl
# Sets the owner recorded in a zip to root (0/0): the archiver writes the
# builder's user and group into each entry's Unix extra field (ID 0x7875),
# so that the same build made by two accounts would differ. Only those
# bytes change; the zip's size and layout stay.
#
#   zip-root-owner.pl ZIP...
use strict;
use warnings;

# Zeroes the ID in each 0x7875 field of the extra block at $at, $length long.
sub zero_owners {
  my ($zip, $at, $length) = @_;
  my $end = $at + $length;
  while ($at + 4 <= $end) {
    my ($id, $size) = unpack('v v', substr($$zip, $at, 4));
    if ($id == 0x7875 && $size >= 1) {
      my $field = $at + 5;    # after the version byte
      for (1 .. 2) {          # the user, then the group
        my $bytes = unpack('C', substr($$zip, $field, 1));
        substr($$zip, $field + 1, $bytes) = "\0" x $bytes;
        $field += 1 + $bytes;
      }
    }
    $at += 4 + $size;
  }
}

for my $path (@ARGV) {
  open(my $in, '<:raw', $path) or die "$path: $!\n";
  my $zip = do { local $/; <$in> };
  close($in);
  # The end record, last in the file but for a comment, finds the central
  # directory; each entry there finds its local header. (Local headers may
  # be followed by data descriptors: walking the directory needs no sizes.)
  my $end = rindex($zip, pack('V', 0x06054b50));
  die "$path: not a zip\n" if $end < 0;
  my ($entries, $at) = unpack('x10 v x4 V', substr($zip, $end, 22));
  for (1 .. $entries) {
    die "$path: a broken central directory\n" if unpack('V', substr($zip, $at, 4)) != 0x02014b50;
    my ($name, $extra, $comment, $local) = unpack('x28 v v v x8 V', substr($zip, $at, 46));
    zero_owners(\$zip, $at + 46 + $name, $extra);
    my ($local_name, $local_extra) = unpack('x26 v v', substr($zip, $local, 30));
    zero_owners(\$zip, $local + 30 + $local_name, $local_extra);
    $at += 46 + $name + $extra + $comment;
  }
  open(my $out, '>:raw', $path) or die "$path: $!\n";
  print $out $zip;
  close($out) or die "$path: $!\n";
}
