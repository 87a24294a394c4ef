-- A believable demo department: workers, products, operations with prices and two months
-- of shift records up to today. Dates are relative to the day the demo is loaded.

DO $$ BEGIN PERFORM setseed(0.3141); END $$;

INSERT INTO cmn_department.department (id_branch, id_parent, s_code, s_caption, s_description) VALUES
 (1, NULL, '01', 'Заготовительный участок', ''),
 (1, NULL, '02', 'Сварочный участок', ''),
 (1, NULL, '03', 'Малярный участок', ''),
 (1, NULL, '04', 'Сборочный участок', '');

INSERT INTO hrms_staffpos.staffpos (id_department, s_code, s_caption, d_begin) VALUES
 (1, '101', 'Резчик металла', '2015-01-01'),
 (1, '102', 'Оператор гибочного пресса', '2015-01-01'),
 (2, '201', 'Электросварщик', '2015-01-01'),
 (3, '301', 'Маляр', '2015-01-01'),
 (4, '401', 'Слесарь-сборщик', '2015-01-01'),
 (4, '402', 'Упаковщик', '2015-01-01'),
 (4, '403', 'Мастер участка', '2015-01-01');

INSERT INTO adm_role.roles (s_name, s_caption, d_begin, b_active) VALUES
 ('worker', 'Рабочий', '2015-01-01', true),
 ('master', 'Мастер', '2015-01-01', true),
 ('trainee', 'Ученик', '2015-01-01', true);

-- Workers: the key of accounts_dep.person is also the id and the personnel code of the
-- same person in the resource-planning system.
INSERT INTO accounts_dep.person (fio, s_staffpos_hl)
SELECT fio, pos FROM (VALUES
 ('Абрамов А.В.', 'Резчик металла'), ('Белов С.Н.', 'Электросварщик'), ('Васильев И.П.', 'Слесарь-сборщик'),
 ('Герасимова Т.А.', 'Маляр'), ('Громов Д.С.', 'Электросварщик'), ('Данилов П.Е.', 'Оператор гибочного пресса'),
 ('Егорова Н.В.', 'Упаковщик'), ('Жуков В.М.', 'Резчик металла'), ('Зайцев А.А.', 'Слесарь-сборщик'),
 ('Иванов С.С.', 'Электросварщик'), ('Ильина О.Г.', 'Маляр'), ('Калинин Р.Ю.', 'Слесарь-сборщик'),
 ('Ковалёв Е.И.', 'Резчик металла'), ('Козлова М.Д.', 'Упаковщик'), ('Кузнецов Н.Н.', 'Мастер участка'),
 ('Лебедев Г.Ф.', 'Электросварщик'), ('Макаров Ю.В.', 'Оператор гибочного пресса'), ('Медведева Л.К.', 'Маляр'),
 ('Морозов К.А.', 'Слесарь-сборщик'), ('Никитин В.В.', 'Электросварщик'), ('Новикова Е.С.', 'Упаковщик'),
 ('Орлов Д.А.', 'Резчик металла'), ('Павлов М.И.', 'Слесарь-сборщик'), ('Петрова А.Н.', 'Маляр'),
 ('Попов И.И.', 'Электросварщик'), ('Романов С.П.', 'Оператор гибочного пресса'), ('Семёнова В.Р.', 'Упаковщик'),
 ('Сергеев А.Л.', 'Слесарь-сборщик'), ('Смирнов П.П.', 'Электросварщик'), ('Соколов Н.А.', 'Резчик металла'),
 ('Степанова Ю.Б.', 'Маляр'), ('Тарасов О.В.', 'Слесарь-сборщик'), ('Тимофеев Б.Г.', 'Электросварщик'),
 ('Фёдоров Л.М.', 'Оператор гибочного пресса'), ('Филиппова Г.Е.', 'Упаковщик'), ('Фролов Т.С.', 'Слесарь-сборщик'),
 ('Чернов Я.Д.', 'Резчик металла'), ('Шевченко А.О.', 'Маляр'), ('Яковлев Э.Н.', 'Электросварщик'),
 ('О''Нил Д.Р.', 'Слесарь-сборщик')
) AS w(fio, pos) ORDER BY fio;

INSERT INTO cmn_contractor.person (id, s_caption, s_code)
SELECT id, fio, id::text FROM accounts_dep.person;

-- Product classes (level 2 of the classifier) under one root group.
INSERT INTO cmn_classifier.item (id_classifier, id_level, id_parent, s_code, s_caption, s_description)
VALUES (1, 1, NULL, 'МК', 'Металлоконструкции', '');
INSERT INTO cmn_classifier.item (id_classifier, id_level, id_parent, s_code, s_caption, s_description)
SELECT 1, 2, (SELECT id FROM cmn_classifier.item WHERE s_code = 'МК'), code, caption, ''
FROM (VALUES ('СТ', 'Стеллажи'), ('ШК', 'Шкафы металлические'), ('СФ', 'Сейфы'),
             ('ВР', 'Верстаки'), ('ТЛ', 'Тележки'), ('ОГ', 'Ограждения')) AS c(code, caption);

-- About sixty products, ten per class.
INSERT INTO cmn_gds_and_srv.gds_and_srv (s_caption, s_description, id_msm_bs, massa, id_class_item)
SELECT c.s_code || '-' || (n * 100 + 300)::text || CASE WHEN n % 3 = 0 THEN 'У' WHEN n % 3 = 1 THEN '' ELSE 'М' END,
       '', 6, round((1 + random() * 4)::numeric, 2), c.id
FROM cmn_classifier.item c, generate_series(1, 10) AS n
WHERE c.id_level = 2;

-- Kinds of operations; the painting ones carry "КРАСКА" in their names.
INSERT INTO accounts_dep.vid_oper (vid) VALUES
 ('Резка'), ('Гибка'), ('Сварка'), ('Зачистка швов'), ('Сверловка'), ('Сборка'),
 ('Упаковка'), ('Покраска'), ('Покраска порошковая'), ('Грунтовка');

-- Each product gets four to six operations; each operation one to three norm rows.
INSERT INTO accounts_dep.oper (vid, naimen, i_id, cena_new)
SELECT v.id, CASE WHEN v.vid IN ('Сборка', 'Упаковка', 'Покраска', 'Покраска порошковая') THEN 0 ELSE 1 END,
       g.id, 0
FROM cmn_gds_and_srv.gds_and_srv g
JOIN cmn_classifier.item c ON c.id = g.id_class_item AND c.id_level = 2
CROSS JOIN accounts_dep.vid_oper v
WHERE v.id NOT IN (7777, 7778) AND random() + 0 * g.id < 0.5;  -- per product and kind

INSERT INTO accounts_dep.norm (o_id, norma, prize, price)
SELECT o.id, k * 10, (k - 1) * 5, round((15 + random() * 120)::numeric, 2)::double precision
FROM accounts_dep.oper o, generate_series(1, 3) AS k
WHERE o.id NOT IN (7777, 7778) AND (k = 1 OR random() + 0 * o.id < 0.4);  -- per operation, not per k

-- Shift records: the last two months and today, in all four shifts.
INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, color,
                                ok, vvod, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use)
SELECT d::date, s, w.id, o.i_id, o.id,
       round(((SELECT min(price) FROM accounts_dep.norm WHERE o_id = o.id)
              * CASE WHEN extract(isodow FROM d) >= 6 THEN 2 ELSE 1 END
              * CASE s WHEN 3 THEN 1.2 WHEN 4 THEN 1.5 ELSE 1 END)::numeric, 4)::double precision,
       5 + floor(random() * 40)::int, CASE WHEN random() < 0.15 THEN 1 ELSE 0 END,
       CASE s WHEN 4 THEN 2 + floor(random() * 3)::int ELSE 4 + floor(random() * 5)::int END,
       CASE WHEN upper(v.vid) LIKE '%КРАСКА%' THEN (ARRAY[1, 1015, 3020, 5012, 7035, 9003])[1 + floor(random() * 6)::int] ELSE 0 END,
       CASE WHEN d::date < current_date - 3 THEN (CASE WHEN random() < 0.9 THEN 'ok' ELSE 'no' END)
            ELSE (CASE WHEN random() < 0.3 THEN 'ok' ELSE 'no' END) END,
       d::date, 0, 0, 0, 0, 0, 0
FROM generate_series(date_trunc('month', current_date) - interval '2 month', current_date, interval '1 day') AS d
CROSS JOIN generate_series(1, 4) AS s
-- each worker belongs to the crew of one shift; every day seven of a crew come, and three
-- workers of any crew stay for overtime
CROSS JOIN LATERAL (SELECT p.id FROM accounts_dep.person p
                    WHERE (s = 4 OR p.id % 3 + 1 = s) AND d IS NOT NULL
                    ORDER BY random() LIMIT CASE WHEN s = 4 THEN 3 ELSE 7 END) AS w
CROSS JOIN LATERAL (SELECT o2.id, o2.i_id, o2.vid FROM accounts_dep.oper o2
                    -- depends on the day, shift and worker, so each row draws anew
                    WHERE o2.id NOT IN (7777, 7778) AND w.id > 0 AND s > 0 AND d IS NOT NULL
                    ORDER BY random() LIMIT 1) AS o
JOIN accounts_dep.vid_oper v ON v.id = o.vid
-- weekends have a few records in shift 1 and overtime; today always has its records
WHERE extract(isodow FROM d) < 6 OR d::date = current_date OR (s IN (1, 4) AND random() < 0.3);

-- The monthly timesheet holds each worker's hours per day and shift, as posting leaves it.
INSERT INTO accounts_dep.h_tabel (w_id, month, year, smena, d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16, d17, d18, d19, d20, d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31)
SELECT w_id, extract(month FROM data)::int, extract(year FROM data)::int, smena,
       sum(time) FILTER (WHERE extract(day FROM data) = 1),
       sum(time) FILTER (WHERE extract(day FROM data) = 2),
       sum(time) FILTER (WHERE extract(day FROM data) = 3),
       sum(time) FILTER (WHERE extract(day FROM data) = 4),
       sum(time) FILTER (WHERE extract(day FROM data) = 5),
       sum(time) FILTER (WHERE extract(day FROM data) = 6),
       sum(time) FILTER (WHERE extract(day FROM data) = 7),
       sum(time) FILTER (WHERE extract(day FROM data) = 8),
       sum(time) FILTER (WHERE extract(day FROM data) = 9),
       sum(time) FILTER (WHERE extract(day FROM data) = 10),
       sum(time) FILTER (WHERE extract(day FROM data) = 11),
       sum(time) FILTER (WHERE extract(day FROM data) = 12),
       sum(time) FILTER (WHERE extract(day FROM data) = 13),
       sum(time) FILTER (WHERE extract(day FROM data) = 14),
       sum(time) FILTER (WHERE extract(day FROM data) = 15),
       sum(time) FILTER (WHERE extract(day FROM data) = 16),
       sum(time) FILTER (WHERE extract(day FROM data) = 17),
       sum(time) FILTER (WHERE extract(day FROM data) = 18),
       sum(time) FILTER (WHERE extract(day FROM data) = 19),
       sum(time) FILTER (WHERE extract(day FROM data) = 20),
       sum(time) FILTER (WHERE extract(day FROM data) = 21),
       sum(time) FILTER (WHERE extract(day FROM data) = 22),
       sum(time) FILTER (WHERE extract(day FROM data) = 23),
       sum(time) FILTER (WHERE extract(day FROM data) = 24),
       sum(time) FILTER (WHERE extract(day FROM data) = 25),
       sum(time) FILTER (WHERE extract(day FROM data) = 26),
       sum(time) FILTER (WHERE extract(day FROM data) = 27),
       sum(time) FILTER (WHERE extract(day FROM data) = 28),
       sum(time) FILTER (WHERE extract(day FROM data) = 29),
       sum(time) FILTER (WHERE extract(day FROM data) = 30),
       sum(time) FILTER (WHERE extract(day FROM data) = 31)
FROM accounts_dep.smena
GROUP BY w_id, extract(month FROM data), extract(year FROM data), smena;

-- Household works and average piece-rate work over the same days: a few workers a day,
-- one on weekends, some by night. Average piece-rate work is on a class the worker made
-- that month; household works on any class.
INSERT INTO accounts_dep.fatigue (id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, price, i_holiday, i_night)
SELECT coalesce(made.cls, any_class.id), r.kind, w.id, d::date,
       extract(month FROM d)::int, extract(year FROM d)::int, 1, r.hours,
       round(((SELECT min(price) FROM accounts_dep.norm WHERE o_id = r.kind)
              * CASE WHEN extract(isodow FROM d) >= 6 THEN 2 ELSE 1 END
              * CASE WHEN r.night THEN 1.2 ELSE 1 END)::numeric, 4),
       CASE WHEN extract(isodow FROM d) >= 6 THEN 1 ELSE 0 END, CASE WHEN r.night THEN 1 ELSE 0 END
FROM generate_series(date_trunc('month', current_date) - interval '2 month', current_date, interval '1 day') AS d
CROSS JOIN LATERAL (SELECT p.id FROM accounts_dep.person p WHERE d IS NOT NULL
                    ORDER BY random() LIMIT CASE WHEN extract(isodow FROM d) >= 6 THEN 1 ELSE 3 END) AS w
-- drawn per worker and day
CROSS JOIN LATERAL (SELECT CASE WHEN random() + 0 * w.id < 0.4 THEN 7778 ELSE 7777 END AS kind,
                           random() + 0 * w.id < 0.25 AS night,
                           2 + floor(random() * 7 + 0 * w.id)::int AS hours
                    WHERE d IS NOT NULL) AS r
LEFT JOIN LATERAL (SELECT g.id_class_item::int AS cls FROM accounts_dep.smena s
                   JOIN accounts_dep.izdel g ON g.id = s.i_id
                   WHERE r.kind = 7778 AND s.w_id = w.id AND date_trunc('month', s.data) = date_trunc('month', d)
                   ORDER BY random() LIMIT 1) AS made ON true
CROSS JOIN LATERAL (SELECT c.id FROM cmn_classifier.item c WHERE c.id_level = 2 AND w.id > 0 AND r.hours > 0
                      AND d IS NOT NULL ORDER BY random() LIMIT 1) AS any_class;

-- The months before this one have had their average piece-rate prices computed: what the
-- worker earned per hour on the entry's class that month, doubled for holiday entries.
UPDATE accounts_dep.fatigue f
SET price = coalesce((SELECT round((sum((s.kol_vo - s.brak) * (s.cena + s.cena * f.i_holiday))
                                    / nullif(sum(s.time), 0))::numeric, 2)
                      FROM accounts_dep.smena s JOIN accounts_dep.izdel g ON g.id = s.i_id
                      WHERE s.w_id = f.id_p AND g.id_class_item = f.id_nom
                        AND date_trunc('month', s.data) = date_trunc('month', f.d_date)), 0)
WHERE f.id_o = 7778 AND f.d_date < date_trunc('month', current_date);

-- Their timesheet rows: per worker, kind, month and day/night, each day the entries' hours.
INSERT INTO accounts_dep.h_tabel (i_type, w_id, month, year, i_night)
SELECT DISTINCT id_o, id_p, i_mnth, i_year, i_night FROM accounts_dep.fatigue;
DO $$
BEGIN
    FOR day IN 1..31 LOOP
        EXECUTE format('UPDATE accounts_dep.h_tabel h SET d%s = f.hours
                          FROM (SELECT id_p, id_o, i_night, i_mnth, i_year, sum(cnt) AS hours
                                  FROM accounts_dep.fatigue WHERE extract(day FROM d_date) = %s
                                 GROUP BY id_p, id_o, i_night, i_mnth, i_year) f
                         WHERE h.i_type = f.id_o AND h.w_id = f.id_p AND h.i_night = f.i_night
                           AND h.month = f.i_mnth AND h.year = f.i_year', day, day);
    END LOOP;
END $$;

-- The heading of the printed timesheets, as full access sets it in "Реквизиты…".
INSERT INTO accounts_dep.settings (name, value) VALUES
 ('organisation', 'ООО «Металлоконструкции»'), ('department', 'Производственный цех № 1')
ON CONFLICT (name) DO UPDATE SET value = excluded.value;
