-- Data every installation needs.

-- Version stamp: the first program that connects writes its build stamp here.
INSERT INTO accounts_dep.ver (d, t, delim) VALUES (0, 0, '.');

-- The two kinds of work kept outside the shift records, each with its one operation and
-- a norm row holding the price of an hour. Their operation names a product 7777 as well,
-- which the household list requires.
INSERT INTO cmn_classifier.item (id, id_classifier, id_level, id_parent, s_code, s_caption)
VALUES (7777, 1, 1, NULL, '7777', 'Хозяйственные работы');
INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, massa, id_class_item)
VALUES (7777, 'Хоз. работы', '', 6, 0, 7777);

INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (7777, 'Хоз. работы'), (7778, 'Ср. сдел.');
INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena_new)
VALUES (7777, 7777, 0, 7777, 0), (7778, 7778, 0, 7777, 0);
INSERT INTO accounts_dep.norm (o_id, norma, prize, price) VALUES (7777, 1, 0, 150), (7778, 1, 0, 180);

-- Keys given by hand above must not be handed out again.
DO $$
BEGIN
    PERFORM setval('accounts_dep.vid_oper_id_seq', 7778);
    PERFORM setval('accounts_dep.oper_id_seq', 7778);
    PERFORM setval('cmn_classifier.item_id_seq', 7777);
    PERFORM setval('cmn_gds_and_srv.gds_and_srv_id_seq', 7777);
END $$;

-- The production calendar of 2024–2026.
\ir upgrade/production_calendar.sql

-- The history of changes, kept by the database for every write.
\ir upgrade/change_log.sql
-- The settings (the heading of the printed timesheets), empty.
\ir upgrade/settings.sql
