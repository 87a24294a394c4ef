-- The rebuild of March 2024 written by hand: the reference the program's rebuild is
-- measured against (rebuild_bench runs it through psql with \timing on).
begin;
select pg_advisory_xact_lock(hashtextextended('accounts_dep.h_tabel/month/2024/3', 0));
delete from accounts_dep.h_tabel where month = 3 and year = 2024 and i_type = 0;
insert into accounts_dep.h_tabel(smena, w_id, month, year,
       d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16, d17, d18, d19, d20, d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31)
select smena, w_id, 3, 2024,
       sum(coalesce(time, 0)) filter (where data = date '2024-03-01'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-02'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-03'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-04'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-05'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-06'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-07'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-08'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-09'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-10'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-11'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-12'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-13'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-14'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-15'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-16'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-17'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-18'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-19'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-20'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-21'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-22'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-23'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-24'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-25'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-26'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-27'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-28'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-29'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-30'),
       sum(coalesce(time, 0)) filter (where data = date '2024-03-31')
  from accounts_dep.smena
 where data >= date '2024-03-01' and data < date '2024-04-01' and w_id is not null
   and smena is not null
 group by smena, w_id;
commit;
