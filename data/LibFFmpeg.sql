-- Placeholder: the catalogue arrives with the parameter work.
CREATE TABLE savedir_videofile (dir_numb TEXT, dir_name TEXT);
INSERT INTO savedir_videofile VALUES ('001', '');
