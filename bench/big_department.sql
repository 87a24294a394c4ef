-- A department at real size, for the benchmarks: three years of shift records (about
-- 1,050,000), 300 workers in three crews, about 200 products, about 1,100 operations with
-- their norms, and the monthly timesheet as posting leaves it. Loaded after schema.sql and
-- seed.sql; every value is drawn from a hash of the row's number, so a load takes seconds
-- and always gives the same data.

-- A stable pseudo-random number in [0, 1) for a row number and a salt.
CREATE FUNCTION pg_temp.draw(n bigint, salt int) RETURNS double precision
    LANGUAGE sql IMMUTABLE AS
$$ SELECT ((hashint8(n * 7919 + salt) & 2147483647)::double precision / 2147483648.0) $$;

-- Workers: the key of accounts_dep.person is also the id and the personnel code of the
-- same person in the resource-planning system.
INSERT INTO accounts_dep.person (fio, s_staffpos_hl)
SELECT (ARRAY['Иванов', 'Петров', 'Сидоров', 'Кузнецов', 'Смирнов', 'Попов', 'Васильев',
              'Соколов', 'Михайлов', 'Новиков', 'Фёдоров', 'Морозов', 'Волков', 'Алексеев',
              'Лебедев'])[1 + n % 15] || ' ' ||
       substr('АБВГДЕЖЗИКЛМНОПРСТ', 1 + n % 18, 1) || '.' ||
       substr('АБВГДЕЖЗИКЛМНОПРСТ', 1 + (n / 18) % 18, 1) || '. ' || n,
       (ARRAY['Резчик металла', 'Электросварщик', 'Маляр', 'Слесарь-сборщик'])[1 + n % 4]
FROM generate_series(1, 300) AS n;

INSERT INTO cmn_contractor.person (id, s_caption, s_code)
SELECT id, fio, id::text FROM accounts_dep.person;

-- Ten product classes of twenty products each.
INSERT INTO cmn_classifier.item (id_classifier, id_level, id_parent, s_code, s_caption, s_description)
SELECT 1, 2, NULL, 'К' || c, 'Класс изделий ' || c, ''
FROM generate_series(1, 10) AS c;

INSERT INTO cmn_gds_and_srv.gds_and_srv (s_caption, s_description, id_msm_bs, massa, id_class_item)
SELECT c.s_code || '-' || (100 + n), '', 6, 1 + n % 5, c.id
FROM cmn_classifier.item c, generate_series(1, 20) AS n
WHERE c.id_level = 2 AND c.id <> 7777;

INSERT INTO accounts_dep.vid_oper (vid)
SELECT v FROM unnest(ARRAY['Резка', 'Гибка', 'Сварка', 'Зачистка швов', 'Сверловка', 'Сборка',
                           'Упаковка', 'Покраска', 'Покраска порошковая', 'Грунтовка']) AS v;

-- Five or six operations a product (about 1,100), one to three norm rows each.
INSERT INTO accounts_dep.oper (vid, naimen, i_id, cena_new)
SELECT v.id, CASE WHEN v.id % 3 = 0 THEN 0 ELSE 1 END, g.id, 0
FROM cmn_gds_and_srv.gds_and_srv g
CROSS JOIN accounts_dep.vid_oper v
WHERE g.id <> 7777 AND v.id NOT IN (7777, 7778)
  AND pg_temp.draw(g.id::bigint * 16 + v.id, 1) < 0.55;

INSERT INTO accounts_dep.norm (o_id, norma, prize, price)
SELECT o.id, k * 10, (k - 1) * 5, round((15 + 120 * pg_temp.draw(o.id * 4 + k, 2))::numeric, 2)
FROM accounts_dep.oper o, generate_series(1, 3) AS k
WHERE o.id NOT IN (7777, 7778) AND (k = 1 OR pg_temp.draw(o.id * 4 + k, 3) < 0.4);

-- Operations numbered 0..n-1 with their price, for drawing one per record.
CREATE TEMP TABLE op AS
SELECT row_number() OVER (ORDER BY o.id) - 1 AS k, o.id, o.i_id, o.vid,
       (SELECT min(price) FROM accounts_dep.norm WHERE o_id = o.id) AS price,
       upper(v.vid) LIKE '%КРАСКА%' AS painting
FROM accounts_dep.oper o JOIN accounts_dep.vid_oper v ON v.id = o.vid
WHERE o.id NOT IN (7777, 7778);
CREATE UNIQUE INDEX ON op (k);
ANALYZE op;

-- Records of each day and shift: weekdays 400 in each of the three shifts and 100 of
-- overtime; weekends 60 in shift 1 and 40 of overtime. Each crew of 100 workers has its
-- shift; overtime is done by anyone.
CREATE TEMP TABLE plan AS
SELECT d::date AS day, s AS shift,
       CASE WHEN extract(isodow FROM d) < 6 THEN (CASE WHEN s = 4 THEN 100 ELSE 400 END)
            ELSE (CASE s WHEN 1 THEN 60 WHEN 4 THEN 40 ELSE 0 END) END AS cnt
FROM generate_series(current_date - interval '3 years' + interval '1 day', current_date,
                     interval '1 day') AS d
CROSS JOIN generate_series(1, 4) AS s;

INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, color,
                                ok, vvod, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use,
                                id_cons_use)
SELECT r.day, r.shift, r.worker, op.i_id, op.id,
       round((op.price * CASE WHEN extract(isodow FROM r.day) >= 6 THEN 2 ELSE 1 END
              * CASE r.shift WHEN 3 THEN 1.2 WHEN 4 THEN 1.5 ELSE 1 END)::numeric, 4),
       5 + floor(40 * pg_temp.draw(r.n, 5))::int,
       CASE WHEN pg_temp.draw(r.n, 6) < 0.15 THEN 1 ELSE 0 END,
       CASE r.shift WHEN 4 THEN 2 + r.n % 3 ELSE 4 + r.n % 5 END,
       CASE WHEN op.painting THEN (ARRAY[1, 1015, 3020, 5012, 7035, 9003])[1 + r.n % 6] ELSE 0 END,
       CASE WHEN r.day < current_date - 3 AND pg_temp.draw(r.n, 7) < 0.9 THEN 'ok' ELSE 'no' END,
       r.day, 0, 0, 0, 0, 0, 0
FROM (SELECT p.day, p.shift, i,
             (extract(epoch FROM p.day)::bigint / 86400) * 10000 + p.shift * 1000 + i AS n,
             CASE WHEN p.shift = 4 THEN 1 + (i * 7 + extract(doy FROM p.day)::int) % 300
                  ELSE 1 + (p.shift - 1) + 3 * ((i + extract(doy FROM p.day)::int) % 100) END
                 AS worker
      FROM plan p, generate_series(1, p.cnt) AS i) AS r
JOIN op ON op.k = (hashint8(r.n) & 2147483647) % (SELECT count(*) FROM op);

-- The monthly timesheet holds each worker's hours per day and shift, as posting leaves it.
INSERT INTO accounts_dep.h_tabel (w_id, month, year, smena,
    d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16,
    d17, d18, d19, d20, d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31)
SELECT w_id, m, y, smena,
       hs[array_position(ds, 1)], hs[array_position(ds, 2)], hs[array_position(ds, 3)],
       hs[array_position(ds, 4)], hs[array_position(ds, 5)], hs[array_position(ds, 6)],
       hs[array_position(ds, 7)], hs[array_position(ds, 8)], hs[array_position(ds, 9)],
       hs[array_position(ds, 10)], hs[array_position(ds, 11)], hs[array_position(ds, 12)],
       hs[array_position(ds, 13)], hs[array_position(ds, 14)], hs[array_position(ds, 15)],
       hs[array_position(ds, 16)], hs[array_position(ds, 17)], hs[array_position(ds, 18)],
       hs[array_position(ds, 19)], hs[array_position(ds, 20)], hs[array_position(ds, 21)],
       hs[array_position(ds, 22)], hs[array_position(ds, 23)], hs[array_position(ds, 24)],
       hs[array_position(ds, 25)], hs[array_position(ds, 26)], hs[array_position(ds, 27)],
       hs[array_position(ds, 28)], hs[array_position(ds, 29)], hs[array_position(ds, 30)],
       hs[array_position(ds, 31)]
FROM (SELECT w_id, m, y, smena, array_agg(dd) AS ds, array_agg(hours) AS hs
        FROM (SELECT w_id, extract(month FROM data)::int AS m, extract(year FROM data)::int AS y,
                     smena, extract(day FROM data)::int AS dd, sum(time)::int AS hours
                FROM accounts_dep.smena
               GROUP BY 1, 2, 3, 4, 5) AS per_day
       GROUP BY w_id, m, y, smena) AS per_month;

ANALYZE;
