-- A department of 300 workers in four shifts (75 each, the fourth being overtime) for
-- February to April 2024: three records a working day (3, 3 and 2 hours), weekdays and the
-- first and third Saturday of each month; about 20,000 records in March. Household and
-- average piece-rate rows of March, which a rebuild must leave alone.
insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, color,
                               ok, vvod, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use,
                               id_cons_use)
select d::date, 1 + w % 4, w, 101, 1, 12.5, 10, 0, case r when 3 then 2 else 3 end, 0, 'no',
       d, 0, 0, 0, 0, 0, 0
  from generate_series(1, 300) w,
       generate_series(date '2024-02-01', date '2024-04-30', interval '1 day') d,
       generate_series(1, 3) r
 where extract(isodow from d) < 6
    or (extract(isodow from d) = 6 and extract(day from d) between 1 and 7)
    or (extract(isodow from d) = 6 and extract(day from d) between 15 and 21);
insert into accounts_dep.h_tabel(w_id, i_type, i_night, month, year, d4, d5)
select w, 7777 + w % 2, w % 2, 3, 2024, 4, 2 from generate_series(1, 300, 6) w;
analyze;
