-- Our stand-in for the shared database: the tables of the department (accounts_dep) and
-- the columns of the resource-planning system's tables that the program reads and writes.

CREATE DOMAIN t_id AS numeric(15);
CREATE DOMAIN t_integer AS integer;

CREATE SCHEMA cmn_contractor;
CREATE SCHEMA cmn_gds_and_srv;
CREATE SCHEMA cmn_classifier;
CREATE SCHEMA cmn_department;
CREATE SCHEMA hrms_staffpos;
CREATE SCHEMA adm_role;
CREATE SCHEMA accounts_dep;

-- Resource-planning system

CREATE TABLE cmn_contractor.person (
    id        numeric(15) PRIMARY KEY,
    s_caption varchar(254),
    s_code    varchar(50)
);

CREATE SEQUENCE cmn_classifier.item_id_seq;
CREATE TABLE cmn_classifier.item (
    id               numeric(15) PRIMARY KEY DEFAULT nextval('cmn_classifier.item_id_seq'),
    id_classifier    numeric(15),
    id_level         integer,
    id_parent        numeric(15),
    s_code           varchar(50),
    s_caption        varchar(254),
    s_description    varchar(4000),
    b_excluded       boolean DEFAULT false,
    d_excluded_date  date
);

CREATE SEQUENCE cmn_gds_and_srv.gds_and_srv_id_seq;
CREATE TABLE cmn_gds_and_srv.gds_and_srv (
    id             numeric(15) PRIMARY KEY DEFAULT nextval('cmn_gds_and_srv.gds_and_srv_id_seq'),
    s_caption      varchar(254),
    s_description  varchar(4000),
    id_msm_bs      numeric(15),
    massa          numeric,
    id_class_item  numeric(15)
);

CREATE TABLE cmn_department.department (
    id            serial PRIMARY KEY,
    id_branch     numeric(15),
    id_parent     numeric(15),
    s_code        varchar(50),
    s_caption     varchar(254),
    s_description varchar(4000)
);

CREATE TABLE hrms_staffpos.staffpos (
    id            serial PRIMARY KEY,
    id_department numeric(15),
    s_code        varchar(50),
    s_caption     varchar(254),
    d_begin       date,
    d_end         date,
    s_description varchar(4000)
);

CREATE TABLE adm_role.roles (
    id        serial PRIMARY KEY,
    s_name    varchar(30),
    s_caption varchar(254),
    d_begin   date,
    d_end     date,
    b_active  boolean DEFAULT true
);

-- Department

CREATE TABLE accounts_dep.person (
    id            serial PRIMARY KEY,
    fio           varchar(254),
    s_staffpos_hl varchar(254)
);

CREATE TABLE accounts_dep.vid_oper (
    id  serial PRIMARY KEY,
    vid varchar(50)
);

CREATE TABLE accounts_dep.oper (
    id       serial PRIMARY KEY,
    vid      integer,
    naimen   smallint,
    i_id     integer,
    cena_new numeric
);

CREATE TABLE accounts_dep.norm (
    id    serial PRIMARY KEY,
    o_id  integer,
    norma integer,
    prize integer,
    price double precision
);
CREATE INDEX norm_o_id ON accounts_dep.norm (o_id);

CREATE VIEW accounts_dep.izdel AS
SELECT g.s_caption AS marka,
       g.id_class_item,
       g.id,
       g.massa,
       i.id AS id_nom,
       i.s_caption AS nom
  FROM cmn_gds_and_srv.gds_and_srv g
  JOIN cmn_classifier.item i ON g.id_class_item::numeric = i.id::numeric;

CREATE TABLE accounts_dep.smena (
    id            serial PRIMARY KEY,
    data          date,
    smena         smallint,
    w_id          integer,
    i_id          integer,
    o_id          integer,
    cena          double precision,
    kol_vo        numeric,
    brak          smallint,
    time          integer,
    color         integer,
    ok            varchar(255),
    vvod          timestamp,
    prize         double precision,
    id_doc        numeric(15),
    id_doc_item   numeric(15),
    f_gds_qty_use double precision,
    id_gds_use    numeric(15),
    id_cons_use   numeric(15)
);
CREATE INDEX smena_data_smena ON accounts_dep.smena (data, smena);
CREATE INDEX smena_w_id_data ON accounts_dep.smena (w_id, data);

CREATE TABLE accounts_dep.h_tabel (
    id     serial PRIMARY KEY,
    w_id   integer,
    month  smallint,
    year   smallint,
    smena  smallint,
    i_type integer DEFAULT 0,
    i_night integer DEFAULT 0,
    d1 smallint, d2 smallint, d3 smallint, d4 smallint, d5 smallint, d6 smallint,
    d7 smallint, d8 smallint, d9 smallint, d10 smallint, d11 smallint, d12 smallint,
    d13 smallint, d14 smallint, d15 smallint, d16 smallint, d17 smallint, d18 smallint,
    d19 smallint, d20 smallint, d21 smallint, d22 smallint, d23 smallint, d24 smallint,
    d25 smallint, d26 smallint, d27 smallint, d28 smallint, d29 smallint, d30 smallint,
    d31 smallint
);
CREATE INDEX h_tabel_key ON accounts_dep.h_tabel (w_id, smena, month, year);

CREATE TABLE accounts_dep.fatigue (
    id        serial PRIMARY KEY,
    id_p      numeric(15),
    id_o      numeric(15),
    id_nom    numeric(15),
    d_date    date,
    i_mnth    integer,
    i_year    integer,
    i_smena   integer,
    cnt       integer,
    price     numeric(15,4),
    i_holiday integer DEFAULT 0,
    i_night   integer DEFAULT 0
);
CREATE INDEX fatigue_d_date ON accounts_dep.fatigue (d_date);

CREATE TABLE accounts_dep.ver (
    d     integer,
    t     integer,
    delim varchar(255)
);

-- Months closed for changes once their pay has gone out (the program's own table; an older
-- database gets it from sql/upgrade/closed_month.sql).
CREATE TABLE accounts_dep.closed_month (
    year      integer,
    month     integer,
    closed_by varchar(50),
    closed_at timestamp,
    PRIMARY KEY (year, month)
);

-- The production calendar: public holidays, moved days off and working days, shortened days
-- (the program's own table; made and filled in for 2024–2026 by
-- sql/upgrade/production_calendar.sql, which the seed runs).
CREATE TABLE accounts_dep.production_calendar (
    d_day      date PRIMARY KEY,
    b_holiday  boolean NOT NULL DEFAULT false,
    b_day_off  boolean NOT NULL DEFAULT false,
    b_work_day boolean NOT NULL DEFAULT false,
    b_short    boolean NOT NULL DEFAULT false
);
