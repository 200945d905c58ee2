-- The parameter database that ships with the program: the nine parameter catalogues
-- (display name and encoder fragment of each entry), the saved selector positions and
-- the output folder. The program only selects and updates; it never adds or removes rows.
--
-- Every combination of entries makes a 3GP file the encoder here can write:
--   * the 3gp muxer takes video h263, mpeg4 and h264, audio aac and AMR (libopencore_amrnb
--     and libvo_amrwbenc, from libavcodec-extra); an audio codec fragment is never empty,
--     as an empty one would let the muxer pick; "No audio" drops the stream;
--   * AMR-NB encodes only mono at 8000 Hz, AMR-WB only mono at 16000 Hz, each at its own
--     fixed modes; "-b:a 12.2k" selects the 12.2 kbit/s mode exactly;
--   * H.263 encodes only the five CIF-family sizes, the first five of the size catalogue;
--     the phone screen sizes after them take MPEG-4 Visual and H.264 (a Convert with
--     H.263 and one of them is refused before any row runs);
--   * NTSC rates are written as exact fractions; mpeg4 and libx264 get yuv420p explicitly
--     so sources in other pixel formats still make files that phones play.
-- cmbex_index is the position in the list (0, 1, ...), per cmbex_type in the audio
-- sub-catalogues, where cmbex_type is the position of the audio codec.

BEGIN TRANSACTION;

CREATE TABLE cmbex_vdocodec (cmbex_index INTEGER NOT NULL PRIMARY KEY, cmbex_name TEXT NOT NULL, cmbex_cmd TEXT NOT NULL);
CREATE TABLE cmbex_vdobitrate (cmbex_index INTEGER NOT NULL PRIMARY KEY, cmbex_name TEXT NOT NULL, cmbex_cmd TEXT NOT NULL);
CREATE TABLE cmbex_vdosize (cmbex_index INTEGER NOT NULL PRIMARY KEY, cmbex_name TEXT NOT NULL, cmbex_cmd TEXT NOT NULL);
CREATE TABLE cmbex_vdofps (cmbex_index INTEGER NOT NULL PRIMARY KEY, cmbex_name TEXT NOT NULL, cmbex_cmd TEXT NOT NULL);
CREATE TABLE cmbex_vdoaspect (cmbex_index INTEGER NOT NULL PRIMARY KEY, cmbex_name TEXT NOT NULL, cmbex_cmd TEXT NOT NULL);
CREATE TABLE cmbex_adocodec (cmbex_index INTEGER NOT NULL PRIMARY KEY, cmbex_name TEXT NOT NULL, cmbex_cmd TEXT NOT NULL);
CREATE TABLE cmbex_adobitrate (cmbex_type INTEGER NOT NULL, cmbex_index INTEGER NOT NULL, cmbex_name TEXT NOT NULL, cmbex_cmd TEXT NOT NULL, PRIMARY KEY (cmbex_type, cmbex_index));
CREATE TABLE cmbex_adochannels (cmbex_type INTEGER NOT NULL, cmbex_index INTEGER NOT NULL, cmbex_name TEXT NOT NULL, cmbex_cmd TEXT NOT NULL, PRIMARY KEY (cmbex_type, cmbex_index));
CREATE TABLE cmbex_adofreq (cmbex_type INTEGER NOT NULL, cmbex_index INTEGER NOT NULL, cmbex_name TEXT NOT NULL, cmbex_cmd TEXT NOT NULL, PRIMARY KEY (cmbex_type, cmbex_index));

CREATE TABLE cmbex_itemindex (cmbex_tag INTEGER NOT NULL PRIMARY KEY, cmbex_index INTEGER NOT NULL);
CREATE TABLE cmbex_adoindex (cmbex_tag INTEGER NOT NULL, cmbex_type INTEGER NOT NULL, cmbex_index INTEGER NOT NULL, PRIMARY KEY (cmbex_tag, cmbex_type));
CREATE TABLE savedir_videofile (dir_numb TEXT NOT NULL PRIMARY KEY, dir_name TEXT);

-- Video codec (tag 1).
INSERT INTO cmbex_vdocodec VALUES
  (0, 'H.263', '-c:v h263'),
  (1, 'MPEG-4 Visual', '-c:v mpeg4 -pix_fmt yuv420p'),
  (2, 'H.264 Baseline', '-c:v libx264 -profile:v baseline -pix_fmt yuv420p');

-- Video bitrate (tag 2).
INSERT INTO cmbex_vdobitrate VALUES
  (0, '64 kbit/s', '-b:v 64k'),
  (1, '96 kbit/s', '-b:v 96k'),
  (2, '128 kbit/s', '-b:v 128k'),
  (3, '192 kbit/s', '-b:v 192k'),
  (4, '256 kbit/s', '-b:v 256k'),
  (5, '384 kbit/s', '-b:v 384k'),
  (6, '512 kbit/s', '-b:v 512k'),
  (7, '768 kbit/s', '-b:v 768k'),
  (8, '1024 kbit/s', '-b:v 1024k');

-- Video size (tag 3): first the sizes every codec above encodes, then phone screens'
-- sizes for MPEG-4 Visual and H.264. The program adds the phone sizes to the list of a
-- database made before they existed (same names, same fragments).
INSERT INTO cmbex_vdosize VALUES
  (0, '128x96 (SQCIF)', '-s 128x96'),
  (1, '176x144 (QCIF)', '-s 176x144'),
  (2, '352x288 (CIF)', '-s 352x288'),
  (3, '704x576 (4CIF)', '-s 704x576'),
  (4, '1408x1152 (16CIF)', '-s 1408x1152'),
  (5, '160x120 (QQVGA)', '-s 160x120'),
  (6, '320x240 (QVGA)', '-s 320x240'),
  (7, '400x240 (WQVGA)', '-s 400x240'),
  (8, '480x320 (HVGA)', '-s 480x320'),
  (9, '640x480 (VGA)', '-s 640x480');

-- Video frame rate (tag 4).
INSERT INTO cmbex_vdofps VALUES
  (0, '5 fps', '-r 5'),
  (1, '10 fps', '-r 10'),
  (2, '12 fps', '-r 12'),
  (3, '15 fps', '-r 15'),
  (4, '20 fps', '-r 20'),
  (5, '23.976 fps', '-r 24000/1001'),
  (6, '24 fps', '-r 24'),
  (7, '25 fps', '-r 25'),
  (8, '29.97 fps', '-r 30000/1001'),
  (9, '30 fps', '-r 30');

-- Width ratio (tag 5): Auto keeps the source's picture aspect; the tags only tell the
-- player. The last two shape the picture itself for the chosen video size, square
-- pixels: the program fills in {width} and {height} from the size's "-s", and adds these
-- two to the list of a database made before they existed (same names, same fragments).
INSERT INTO cmbex_vdoaspect VALUES
  (0, 'Auto', ''),
  (1, '4:3', '-aspect 4:3'),
  (2, '16:9', '-aspect 16:9'),
  (3, '11:9', '-aspect 11:9'),
  (4, 'Fit with black bars', '-vf scale=w=''max(2,min({width},round({height}*dar)))'':h=''max(2,min({height},round({width}/dar)))'',setsar=1,pad={width}:{height}:-1:-1'),
  (5, 'Fill (crop)', '-vf scale=w=''max({width},round({height}*dar))'':h=''max({height},round({width}/dar))'',setsar=1,crop={width}:{height}');

-- Audio codec (tag 6). The program adds the two AMR codecs and their sub-entries to
-- the lists of a database made before they existed (same names, same fragments, the
-- same first choices).
INSERT INTO cmbex_adocodec VALUES
  (0, 'AAC-LC', '-c:a aac'),
  (1, 'No audio', '-an'),
  (2, 'AMR-NB', '-c:a libopencore_amrnb'),
  (3, 'AMR-WB', '-c:a libvo_amrwbenc');

-- Audio bitrate (tag 7), per audio codec.
INSERT INTO cmbex_adobitrate VALUES
  (0, 0, '16 kbit/s', '-b:a 16k'),
  (0, 1, '24 kbit/s', '-b:a 24k'),
  (0, 2, '32 kbit/s', '-b:a 32k'),
  (0, 3, '48 kbit/s', '-b:a 48k'),
  (0, 4, '64 kbit/s', '-b:a 64k'),
  (0, 5, '96 kbit/s', '-b:a 96k'),
  (0, 6, '128 kbit/s', '-b:a 128k'),
  (1, 0, 'None', ''),
  (2, 0, '4.75 kbit/s', '-b:a 4.75k'),
  (2, 1, '5.15 kbit/s', '-b:a 5.15k'),
  (2, 2, '5.9 kbit/s', '-b:a 5.9k'),
  (2, 3, '6.7 kbit/s', '-b:a 6.7k'),
  (2, 4, '7.4 kbit/s', '-b:a 7.4k'),
  (2, 5, '7.95 kbit/s', '-b:a 7.95k'),
  (2, 6, '10.2 kbit/s', '-b:a 10.2k'),
  (2, 7, '12.2 kbit/s', '-b:a 12.2k'),
  (3, 0, '6.6 kbit/s', '-b:a 6.6k'),
  (3, 1, '8.85 kbit/s', '-b:a 8.85k'),
  (3, 2, '12.65 kbit/s', '-b:a 12.65k'),
  (3, 3, '14.25 kbit/s', '-b:a 14.25k'),
  (3, 4, '15.85 kbit/s', '-b:a 15.85k'),
  (3, 5, '18.25 kbit/s', '-b:a 18.25k'),
  (3, 6, '19.85 kbit/s', '-b:a 19.85k'),
  (3, 7, '23.05 kbit/s', '-b:a 23.05k'),
  (3, 8, '23.85 kbit/s', '-b:a 23.85k');

-- Audio channels (tag 8), per audio codec.
INSERT INTO cmbex_adochannels VALUES
  (0, 0, 'Mono', '-ac 1'),
  (0, 1, 'Stereo', '-ac 2'),
  (1, 0, 'None', ''),
  (2, 0, 'Mono', '-ac 1'),
  (3, 0, 'Mono', '-ac 1');

-- Sampling frequency (tag 9), per audio codec.
INSERT INTO cmbex_adofreq VALUES
  (0, 0, '8000 Hz', '-ar 8000'),
  (0, 1, '11025 Hz', '-ar 11025'),
  (0, 2, '16000 Hz', '-ar 16000'),
  (0, 3, '22050 Hz', '-ar 22050'),
  (0, 4, '24000 Hz', '-ar 24000'),
  (0, 5, '32000 Hz', '-ar 32000'),
  (0, 6, '44100 Hz', '-ar 44100'),
  (0, 7, '48000 Hz', '-ar 48000'),
  (1, 0, 'None', ''),
  (2, 0, '8000 Hz', '-ar 8000'),
  (3, 0, '16000 Hz', '-ar 16000');

-- Initial choices: MPEG-4 Visual, 256 kbit/s, 176x144, 15 fps, Auto; AAC-LC at
-- 64 kbit/s, stereo, 44100 Hz; AMR-NB at 12.2 kbit/s and AMR-WB at 12.65 kbit/s when
-- first picked.
INSERT INTO cmbex_itemindex VALUES (1, 1), (2, 4), (3, 1), (4, 3), (5, 0), (6, 0);
INSERT INTO cmbex_adoindex VALUES
  (7, 0, 4), (8, 0, 1), (9, 0, 6),
  (7, 1, 0), (8, 1, 0), (9, 1, 0),
  (7, 2, 7), (8, 2, 0), (9, 2, 0),
  (7, 3, 2), (8, 3, 0), (9, 3, 0);

-- No output folder chosen yet: the program shows its default one.
INSERT INTO savedir_videofile VALUES ('001', '');

COMMIT;
